// The theory "MM" as the energy driver sees it.
#include "models/mm/mm_energy.hpp"

#include <cstdint>

#include "model/molecule_record.hpp"
#include "models/mm/mm_terms.hpp"
#include "models/mm/mm_typing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

void evaluate_structure(const Molecule& mol, const MmParameters& p, int level) {
  const int n = mol.n_atoms;
  const std::int64_t packed = 3LL * n * (3LL * n + 1) / 2;
  PoolArray<double> gradient(3 * n + 1);
  PoolArray<double> hessian(level >= 2 ? packed : 1);
  double dipole[3];
  const MmStructure s{n, mol.xyz, mol.type_names, mol.bonds};
  const double energy = mm_terms(s, p, dipole, gradient.data(), level >= 2 ? hessian.data() : nullptr);
  record_save(rec::Energy, &energy, 1);
  record_save(rec::Dipole, dipole, 3);
  record_save(rec::Gradient, gradient.data(), 3 * n);
  if (level >= 2) record_save(rec::Hessian, hessian.data(), packed);
}

}  // namespace

void mm_energy() {
  // The force field is cheap: the master evaluates it alone.
  if (!is_master) return;
  const int level = record_get_or(rec::Derivative, 1);
  PoolArray<MmParameters> p(1);
  record_read(rec::mmdata, p.data(), 1);
  Molecule mol = load_molecule(0, "Molecule");
  // Types found once stay in the record, so later structures of the task keep them.
  if (mm_assign_types(mol) > 0) store_molecule("Molecule", mol);
  evaluate_structure(mol, p[0], level);
  release_molecule(mol);
}

}  // namespace ostrel
