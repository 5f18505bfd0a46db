#include "scf/procedure/scf_grid_step.hpp"

#include "model/basis_record.hpp"
#include "model/molecule_record.hpp"
#include "scf/numint/basis_eval_shells.hpp"
#include "scf/grid/grid_passes.hpp"

namespace ostrel {

void scf_grid_prepare(bool build, bool weights) {
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
  release_molecule(mol);
}

}  // namespace ostrel
