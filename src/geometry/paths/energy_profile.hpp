#pragma once
// The table and text plot of energies along a path parameter, shared by the path tasks.

namespace ostrel {

// Rows s, E, E - E(0) (in reverse order when the last s is not positive), then a plot with
// one line per point unless every energy is the same. Nothing for fewer than 2 points.
void print_energy_profile(int n, const double* s, const double* e);

}  // namespace ostrel
