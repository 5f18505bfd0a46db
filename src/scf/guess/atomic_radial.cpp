#include "scf/guess/atomic_radial.hpp"

#include <cmath>

#include "scf/grid/grid_points.hpp"
#include "scf/xc/xc_point.hpp"

namespace ostrel {
namespace {

constexpr double kFourPi = 12.566370614359172;

// Alkali and alkaline-earth atoms have the most diffuse valence shells.
bool first_two_groups(int z) {
  switch (z) {
    case 3:
    case 4:
    case 11:
    case 12:
    case 19:
    case 20:
    case 37:
    case 38:
    case 55:
    case 56:
    case 87:
    case 88:
      return true;
    default:
      return false;
  }
}

// Regularisation scale of the atomic densities: small enough to leave the tails alone.
constexpr double kAtomSmall = 1e-12;

}  // namespace

AtomRadialGrid atom_radial_grid(int z, int n, double* r, double* w) {
  const double alpha = first_two_groups(z) ? 7.0 : 5.0;
  for (int s = 0; s < n; ++s) {
    const RadialPoint p = radial_point(n, s, alpha);
    r[s] = p.r;
    w[s] = kFourPi * p.r * p.r * p.w;
  }
  return {n, r, w};
}

void atom_radial_functions(const AtomFunctions& f, const AtomRadialGrid& g, double* values, double* slopes) {
  for (int s = 0; s < f.nshell; ++s) {
    const int l = f.shell_l[s];
    for (int i = 0; i < g.n; ++i) {
      const double r = g.r[i];
      const double rl = l == 0 ? 1.0 : std::pow(r, l);
      double v = 0.0, dv = 0.0;
      for (int e = 0; e < f.nexp; ++e) {
        const double c = f.coefficients[e * f.nshell + s];
        if (c == 0.0) continue;
        const double a = f.exponents[e];
        const double x = c * std::exp(-a * r * r);
        v += x;
        dv += x * (-2.0 * a * r);
      }
      // d/dr (r^l u) = l r^(l-1) u + r^l u'
      values[s * g.n + i] = rl * v;
      slopes[s * g.n + i] = rl * dv + (l == 0 ? 0.0 : l * std::pow(r, l - 1) * v);
    }
  }
}

double atom_xc(const XcFunctional& f, const AtomRadialGrid& g, const double* values, const double* slopes,
               const AtomChannel* channels, int lmax, const double* const* blocks, double* const* potential) {
  for (int l = 0; l <= lmax; ++l) {
    const int m = channels[l].n_shells;
    for (int k = 0; k < m * m; ++k) potential[l][k] = 0.0;
  }
  double energy = 0.0;
  for (int i = 0; i < g.n; ++i) {
    // rho(r) = sum_l sum_kk' P^l_kk' R_k R_k' (sum over m of Y_m^2 is 2l+1, folded into P).
    double rho = 0.0, slope = 0.0;
    for (int l = 0; l <= lmax; ++l) {
      const AtomChannel& c = channels[l];
      for (int a = 0; a < c.n_shells; ++a) {
        const double ra = values[c.shell[a] * g.n + i], da = slopes[c.shell[a] * g.n + i];
        for (int b = 0; b < c.n_shells; ++b) {
          const double p = blocks[l][a * c.n_shells + b];
          rho += p * ra * values[c.shell[b] * g.n + i];
          slope += 2.0 * p * da * values[c.shell[b] * g.n + i];
        }
      }
    }
    if (rho <= 0.0) continue;
    // Each spin carries half; the gradient points along z at the point (0, 0, r).
    const double spin[4] = {0.5 * rho, 0.0, 0.0, 0.5 * slope};
    double ex = 0.0, ec = 0.0;
    XcDerivatives d;
    xc_point(f, spin, spin, &ex, &ec, &d, 1, kAtomSmall);
    energy += g.w[i] * (ex + ec);
    // dE/dP of the total density equals the alpha derivative (both spins move together).
    const double vr = g.w[i] * d.d1[0][0], vg = g.w[i] * d.d1[0][3];
    for (int l = 0; l <= lmax; ++l) {
      const AtomChannel& c = channels[l];
      for (int a = 0; a < c.n_shells; ++a) {
        const double ra = values[c.shell[a] * g.n + i], da = slopes[c.shell[a] * g.n + i];
        for (int b = 0; b < c.n_shells; ++b) {
          const double rb = values[c.shell[b] * g.n + i], db = slopes[c.shell[b] * g.n + i];
          potential[l][a * c.n_shells + b] += vr * ra * rb + vg * (da * rb + ra * db);
        }
      }
    }
  }
  return energy;
}

}  // namespace ostrel
