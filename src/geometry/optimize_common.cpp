#include "geometry/optimize_common.hpp"

#include <cmath>
#include <cstdio>

#include "geometry/optimize_records.hpp"
#include "linalg/vector_ops.hpp"
#include "model/molecule_writer.hpp"
#include "model/structure_print.hpp"
#include "runtime/store.hpp"

namespace ostrel {

void request_initial_grid() {
  const int grid = record_get(rec::grid);
  record_put(rec::Opt_newgrid, grid);
  record_put(rec::grid_adapt, grid);
  record_put(rec::Opt_step, 0);
}

void grid_decade_control(int step, double gmax) {
  const int k = static_cast<int>(std::lround(std::log10(gmax + 1e-10)));
  int loggmin = step == 0 ? k : record_get(rec::Opt_loggmin);
  int newgrid = 0;
  if (k < loggmin) {
    newgrid = record_get(rec::grid);
    loggmin = k;
  } else if (k > loggmin + 1) {
    loggmin = k;
  }
  record_put(rec::Opt_loggmin, loggmin);
  record_put(rec::Opt_newgrid, newgrid);
  record_put(rec::grid_adapt, newgrid);
}

void write_geometry(Molecule& mol, const double* xyz) {
  vec_copy(3 * mol.n_atoms, xyz, mol.xyz);
  store_molecule(rec::Molecule.name, mol);
}

void print_structure(const Molecule& mol, bool converged, double energy) {
  const char* tag = converged ? "MOL>" : "mol>";
  std::printf("\n");
  write_molecule_group(mol, tag, 1);
  if (converged) std::printf("MOL> Energy = %15.8lf\n", energy);
  print_coordinates(mol.z, mol.xyz, mol.n_atoms, 1);
}

void finish_step(int step, bool converged, int max_steps) {
  const int next = step + 1;
  record_put(rec::Opt_step, next);
  record_put(rec::Opt_exits, converged || next >= max_steps ? 1 : 0);
}

}  // namespace ostrel
