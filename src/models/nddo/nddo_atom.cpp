// Additive terms and charge separations of the multipole model (Dewar and Thiel 1977):
// the one-centre limits of the two-centre formulas reproduce Gss, Hsp and (Gpp - Gp2)/2.
#include "models/nddo/nddo_atom.hpp"

#include <algorithm>
#include <cmath>

#include "model/elements.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {
namespace {

// Root of a decreasing function of rho on (0, inf) by bisection; robust and run once per atom.
template <class F>
double solve_rho(F f) {
  double lo = 1e-4, hi = 20.0;
  for (int it = 0; it < 200; ++it) {
    const double mid = 0.5 * (lo + hi);
    if (f(mid) > 0) lo = mid;
    else hi = mid;
  }
  return 0.5 * (lo + hi);
}

}  // namespace

double nddo_isolated_atom_energy(const NddoAtom& a, int ns, int np) {
  const int m = std::min(np, 6 - np);
  const double gss = std::max(ns - 1, 0);
  const double gsp = ns * np;
  const double gp2 = np * (np - 1) / 2 + 0.5 * (m * (m - 1)) / 2;
  const double gpp = -0.5 * (m * (m - 1)) / 2;
  const double hsp = -np;
  double e = a.u[0] * ns + a.gss * gss;
  if (a.nbf > 1) e += a.u[1] * np + a.gsp * gsp + a.gp2 * gp2 + a.gpp * gpp + a.hsp * hsp;
  return e;
}

NddoAtom nddo_atom(const NddoElement& e, int z) {
  if (e.L < 0) fatal_error("\n element %s has no NDDO parameters\n", element_symbol(z));
  if (e.L > 1) fatal_error("\n element %s: only s and p shells are built for NDDO\n", element_symbol(z));
  NddoAtom a{};
  a.z = z;
  a.nbf = e.nbf;
  a.n = e.nr[0];
  a.core = e.nval;
  for (int l = 0; l <= e.L; ++l) {
    a.u[l] = e.h[l];
    a.beta[l] = e.bh[l];
    a.zeta[l] = e.ah[l];
  }
  a.gss = e.at[0];
  a.alpha = e.ap[0];
  a.gaussians = e.nc[0];
  for (int k = 0; k < a.gaussians; ++k) {
    a.gk[k] = e.ec[0][k];
    a.gl[k] = e.ac[0][k];
    a.gm[k] = e.ac[1][k];
  }
  a.rho0 = 0.5 * kNddoEv / a.gss;
  if (a.nbf > 1) {
    a.gpp = e.at[1];
    a.gsp = e.ct[0];
    a.gp2 = e.ct[1];
    a.hsp = e.au[0];
    const int n = a.n;
    const double zs = a.zeta[0], zp = a.zeta[1];
    a.d1 = (2 * n + 1) * std::pow(4 * zs * zp, n + 0.5) / std::pow(zs + zp, 2 * n + 2) / std::sqrt(3.0);
    a.d2 = std::sqrt((4.0 * n * n + 6 * n + 2) / 20.0) / zp;
    const double hsp = a.hsp / kNddoEv, d1 = a.d1, d2 = a.d2;
    a.rho1 = solve_rho([&](double r) {
      return 0.5 * (1 / (2 * r) - 1 / std::sqrt(4 * d1 * d1 + 4 * r * r)) - hsp;
    });
    // Nearly equal Gpp and Gp2 (PM3 chlorine) would push rho2 far out; the reference
    // programs floor the quadrupole self-repulsion at 0.1 eV, and so do we.
    const double hpp = std::max(0.5 * (a.gpp - a.gp2), 0.1) / kNddoEv;
    a.rho2 = solve_rho([&](double r) {
      return 0.25 * (1 / (2 * r) - 2 / std::sqrt(4 * d2 * d2 + 4 * r * r) +
                     1 / std::sqrt(8 * d2 * d2 + 4 * r * r)) - hpp;
    });
  }
  return a;
}

double nddo_one_centre(const NddoAtom& a, int i, int j, int k, int l) {
  // Functions 0 = s, 1..3 = p; only integrals with pairwise equal indices survive.
  auto kind = [](int x) { return x == 0 ? 0 : 1; };
  if (i == j && k == l) {
    if (i == 0 && k == 0) return a.gss;
    if (kind(i) != kind(k)) return a.gsp;
    return i == k ? a.gpp : a.gp2;
  }
  const bool same_pair = (i == k && j == l) || (i == l && j == k);
  if (!same_pair || i == j) return 0.0;
  if (i == 0 || j == 0) return a.hsp;
  return 0.5 * (a.gpp - a.gp2);
}

}  // namespace ostrel
