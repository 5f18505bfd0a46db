#pragma once
#include "scf/guess/atomic_scf.hpp"

namespace ostrel {

// Radial quadrature of a free atom. With a spherical density every integrand of the
// exchange-correlation term factors into a radial part and Y_m^2, whose angular integral
// is 4 pi for harmonics of unit mean square, so one radial line is exact in angle.
struct AtomRadialGrid {
  int n;
  const double* r;
  const double* w;  // 4 pi r^2 times the radial weight
};

// Logarithmic radial rule of `n` points (scale 7 for the first two groups, 5 otherwise),
// written into r and w (n entries each).
AtomRadialGrid atom_radial_grid(int z, int n, double* r, double* w);

// Radial factors R(r) = sum_e c_e r^l exp(-a_e r^2) of the atom's shells and their first
// derivatives at the grid points: values[s * n + i], slopes[s * n + i].
void atom_radial_functions(const AtomFunctions& f, const AtomRadialGrid& g, double* values, double* slopes);

// Exchange-correlation energy of the spherical closed-shell density whose channel density
// blocks are `blocks` (block l is n_l x n_l over the channel's shells, full), and the
// potential blocks of every channel into `potential` (same layout; overwritten).
double atom_xc(const XcFunctional& f, const AtomRadialGrid& g, const double* values, const double* slopes,
               const AtomChannel* channels, int lmax, const double* const* blocks, double* const* potential);

}  // namespace ostrel
