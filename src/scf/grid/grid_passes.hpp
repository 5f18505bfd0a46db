#pragma once
#include "scf/numint/basis_eval.hpp"

namespace ostrel {

// Store-level grid passes; every node calls them with the same basis on the atoms of
// "Molecule" (the fitting basis, or the wavefunction basis for the orbital partition).

// Adaptive construction from "Grid", "functional", "closed", "grid_fine", "da", "db" and
// "atomic_d": rewrites "Grid" and "Ngrid" and prints the final point count.
void grid_build(const ShellSet& fit);

// Weights of the coarse and then the final grid into "grid_W1" and "grid_W", partitioned by
// the free-atom fit densities "atomic_d".
void grid_weights(const ShellSet& fit);

// The same with the orbital partition: `atom_density` holds each atom's free-atom density
// matrix over its own functions of `basis` (packed lower triangle from offsets[A]), on
// every node.
void grid_weights_orbital(const ShellSet& basis, const double* atom_density,
                          const long* offsets);

}  // namespace ostrel
