#pragma once
#include "integrals/shell.hpp"

namespace ostrel {

// One term c r^n exp(-a r^2) of a core-potential channel.
struct CoreTerm {
  double c;
  int n;
  double a;
};

// A semilocal core potential on one centre: U = U_local(r) + sum_{l < lmax} sum_m |lm> U_l(r) <lm|.
struct CorePotential {
  const double* centre;
  int lmax;  // at most 4
  int nlocal;
  const CoreTerm* local;
  int nsemi[4];
  const CoreTerm* semi[4];
};

// The radial rule: r = -ln(1 - x^3), x = (k + 1) / 65, weight dr = 3 x^2 / ((1 - x^3) 65).
inline constexpr int kCoreRadialPoints = 64;
void core_radial_point(int k, double& r, double& w);

// Blocks are (2lb+1) x (2la+1), shell b by shell a, added into `out`, summed over the radial
// points first, first + stride, ... (nodes share the points this way; first 0 and stride 1
// give the whole integral). Angular projections are analytic (plane-wave expansion about
// the centre with modified spherical Bessel functions); terms with a r^2 > 40 are skipped.
// Work arrays come from the memory pool.

// The semilocal part in two steps, so a shell's projections serve all its pairs: the
// projections of shell s onto the channels at the share's points (core_projection_size
// floats), then the block of two projected shells.
long core_projection_size(int l, const CorePotential& u, int first, int stride);
void core_projection(const Shell& s, const CorePotential& u, int first, int stride, double* out);
void core_semilocal_block(const double* proj_b, int lb, const double* proj_a, int la, const CorePotential& u,
                          int first, int stride, double* out);

// The local channel's block.
void core_local_block(const Shell& b, const Shell& a, const CorePotential& u, int first, int stride,
                      double* out);

// Derivatives of the block with respect to the centres of b and a (three blocks each, x y z);
// the potential's centre takes minus their sum, since the whole system may be translated.
void core_potential_derivative_shell_pair(const Shell& b, const Shell& a, const CorePotential& u, int first,
                                          int stride, double* out_b, double* out_a);

}  // namespace ostrel
