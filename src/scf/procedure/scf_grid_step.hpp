#pragma once

namespace ostrel {

// Grid work of one Fock evaluation, all nodes: optionally builds the grid, and computes the
// weights partitioned by the free-atom fit densities. The orbital-density passes use the
// same weights: the construction judged every shell with this partition, and another one
// (free-atom density matrices over the wavefunction basis) left [CuCl4]2- 8e-6 hartree off
// the converged integral.
void scf_grid_prepare(bool build, bool weights);

}  // namespace ostrel
