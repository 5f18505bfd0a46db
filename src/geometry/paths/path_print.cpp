#include "geometry/paths/path_print.hpp"

#include "linalg/vector_ops.hpp"
#include "model/molecule_writer.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

void print_path_structure(const Molecule& mol, const double* xyz, const char* prefix) {
  // The molecule's views share its coordinates: lend them the point's and put them back.
  const int m = 3 * mol.n_atoms;
  PoolArray<double> kept(m);
  vec_copy(m, mol.xyz, kept.data());
  vec_copy(m, xyz, mol.xyz);
  write_molecule_group(mol, prefix, 1);
  vec_copy(m, kept.data(), mol.xyz);
}

}  // namespace ostrel
