#pragma once

namespace ostrel {

// Grid work of one Fock evaluation, all nodes: optionally builds the grid, computes the
// weights partitioned by the free-atom fit densities and then, with `orbital`, by the
// free-atom density matrices "atomic_D" over the wavefunction basis.
void scf_grid_prepare(bool build, bool weights, bool orbital);

}  // namespace ostrel
