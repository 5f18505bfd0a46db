// Extents of Gaussian shells for a value threshold.
#include <algorithm>
#include <cmath>

#include "scf/numint/basis_eval.hpp"

namespace ostrel {
namespace {

// Bound on every |function| of the shell at radius r: a unit-mean-square real solid harmonic
// never exceeds sqrt(2l+1) on the unit sphere.
double shell_bound(const GaussianShell& shell, double r) {
  double sum = 0.0;
  for (int k = 0; k < shell.n_primitives; ++k)
    sum += std::fabs(shell.coef[k]) * std::exp(-shell.exponent[k] * r * r);
  return std::sqrt(2.0 * shell.l + 1.0) * std::pow(r, shell.l) * sum;
}

}  // namespace

double shell_extent2(const GaussianShell& shell, double threshold) {
  if (shell.n_primitives <= 0) return 0.0;
  if (!(threshold > 0.0)) return HUGE_VAL;  // no threshold: every function reaches everywhere
  double a_min = shell.exponent[0];
  double peak_sum = 0.0;  // sum of the peaks of the single terms bounds the whole
  for (int k = 0; k < shell.n_primitives; ++k) {
    const double a = shell.exponent[k];
    a_min = std::min(a_min, a);
    const double rp2 = shell.l / (2.0 * a);
    peak_sum += std::fabs(shell.coef[k]) * (shell.l ? std::pow(rp2, 0.5 * shell.l) : 1.0) *
                std::exp(-a * rp2);
  }
  if (std::sqrt(2.0 * shell.l + 1.0) * peak_sum < threshold) return 0.0;
  // Beyond the outermost peak every term falls, so the bound falls monotonically.
  double lo = std::sqrt(shell.l / (2.0 * a_min));
  double hi = std::max(lo, 1.0);
  while (shell_bound(shell, hi) >= threshold) {
    lo = hi;
    hi *= 2.0;
  }
  for (int it = 0; it < 60 && hi - lo > 1e-10 * hi; ++it) {
    const double mid = 0.5 * (lo + hi);
    (shell_bound(shell, mid) >= threshold ? lo : hi) = mid;
  }
  return hi * hi;
}

void shell_set_extents(const ShellSet& set, double threshold, double* extent2,
                       double* atom_extent2) {
  for (int a = 0; a < set.n_atoms; ++a) {
    double largest = 0.0;
    for (int i = set.atom_first_shell[a]; i < set.atom_first_shell[a + 1]; ++i) {
      extent2[i] = shell_extent2(set.shells[i], threshold);
      largest = std::max(largest, extent2[i]);
    }
    if (atom_extent2) atom_extent2[a] = largest;
  }
}

}  // namespace ostrel
