#pragma once
#include "scf/numint/basis_eval.hpp"

namespace ostrel {

// Store-level grid passes; every node calls them with the same basis on the atoms of
// "Molecule" (the fitting basis).

// Adaptive construction from "Grid", "functional", "closed", "grid_fine", "da", "db" and
// "atomic_d": rewrites "Grid" and "Ngrid" and prints the final point count.
void grid_build(const ShellSet& fit);

// Weights of the coarse and then the final grid into "grid_W1" and "grid_W", partitioned by
// the free-atom fit densities "atomic_d".
void grid_weights(const ShellSet& fit);

}  // namespace ostrel
