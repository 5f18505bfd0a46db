#pragma once
#include <cstdio>

namespace ostrel {

// Reads energy and derivatives given in the input instead of computed (group `group`:
// "energy", or "energy%03d" for single steps of a finite-difference run) for "Natom" atoms
// and "nwave" frequencies. Writes "haveE" (energy, gradient, Hessian given), "Energy",
// "Dipole", "Polariz", "Gradient", "DipoleX", "PolarizX" and "Hessian"; what is not given
// is stored as zeros. Master only.
void read_provided_results(const char* group, std::FILE* input = stdin);

}  // namespace ostrel
