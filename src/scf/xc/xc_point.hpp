#pragma once
#include "scf/xc/xc_functional.hpp"

namespace ostrel {

// Derivatives of the energy density ex + ec at one point with respect to the raw inputs of
// each spin, u = (rho, gx, gy, gz):
//   first   d1[s][i]
//   second  d2[s][pair(i, j)] (i >= j, pair = i(i+1)/2 + j), d2ab[4 i_alpha + j_beta]
//   third   d3[s][triple(i, j, k)] (i >= j >= k, triple = i(i+1)(i+2)/6 + pair(j, k)),
//           d3aab[4 pair(i, j)_alpha + k_beta], d3abb[10 i_alpha + pair(j, k)_beta]
struct XcDerivatives {
  double d1[2][4];
  double d2[2][10];
  double d2ab[16];
  double d3[2][20];
  double d3aab[40];
  double d3abb[40];
};

// Energy densities of exchange (ex, already weighted by a_x) and correlation (ec) at one point
// from alpha = (rho, gx, gy, gz) and beta (the same array for a closed shell); for order 1, 2
// or 3 also the derivatives up to that order (the blocks beyond `order` are left alone; any
// other order gives the energy densities only and `derivatives` may then be null).
// `small` is the regularisation scale of the densities.
void xc_point(const XcFunctional& f, const double alpha[4], const double beta[4], double* ex,
              double* ec, XcDerivatives* derivatives, int order, double small);

// A closed shell's singlet kernel at u (both spins): ex, ec, each spin's first derivatives,
// and in d2[0] = d2[1] the sum of the same-spin and opposite-spin second derivatives, d2ab
// zero. All that a response keeping the two spins equal needs, at a fraction of the cost.
void xc_point_singlet(const XcFunctional& f, const double u[4], double* ex, double* ec,
                      XcDerivatives* d, double small);

}  // namespace ostrel
