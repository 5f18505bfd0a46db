#include "scf/procedure/scf_grid_step.hpp"

#include <cstdint>

#include "model/basis_record.hpp"
#include "model/molecule_record.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "scf/numint/basis_eval_shells.hpp"
#include "scf/grid/grid_passes.hpp"

namespace ostrel {
namespace {

// The orbital partition with the per-atom blocks of "atomic_D" on every node.
void orbital_weights(const Molecule& mol) {
  Basis basis = load_basis(1, "Basis", mol);
  {
    BasisShells shells = basis_shells(basis);
    {
      const int natom = basis.n_atoms;
      PoolArray<long> offsets(natom + 1);
      offsets[0] = 0;
      for (int a = 0; a < natom; ++a) {
        const long na = basis.atom_first_function[a + 1] - basis.atom_first_function[a];
        offsets[a + 1] = offsets[a] + na * (na + 1) / 2;
      }
      PoolArray<double> blocks(offsets[natom] > 0 ? offsets[natom] : 1);
      if (is_master) record_read(rec::atomic_D, blocks.data(), offsets[natom]);
      mp_bcast(blocks.data(), offsets[natom], MP_DOUBLE);
      grid_weights_orbital(shells.set, blocks.data(), offsets.data());
    }
    release_basis_shells(shells);
  }
  release_basis(basis);
}

}  // namespace

void scf_grid_prepare(bool build, bool weights, bool orbital) {
  if (!build && !weights) return;
  Molecule mol = load_molecule(1, "Molecule");
  {
    Basis fit = load_basis(1, "Basis2", mol);
    BasisShells shells = basis_shells(fit);
    if (build) grid_build(shells.set);
    if (weights) grid_weights(shells.set);
    release_basis_shells(shells);
    release_basis(fit);
  }
  if (weights && orbital) orbital_weights(mol);
  release_molecule(mol);
}

}  // namespace ostrel
