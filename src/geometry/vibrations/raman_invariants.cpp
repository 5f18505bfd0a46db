#include "geometry/vibrations/raman_invariants.hpp"

#include <cstdio>

#include "geometry/vibrations/vibration_constants.hpp"
#include "linalg/vector_ops.hpp"

namespace ostrel {
namespace {

double levi_civita(int i, int j, int k) {
  if (i == j || j == k || i == k) return 0.0;
  return ((j - i + 3) % 3 == 1) ? 1.0 : -1.0;
}

}  // namespace

void raman_invariants(const double* alpha, double* activity, double* depolarization) {
  const double xx = alpha[0], xy = alpha[1], yy = alpha[2], xz = alpha[3], yz = alpha[4], zz = alpha[5];
  const double mean = (xx + yy + zz) / 3;
  const double gamma2 =
      (3 * (xx * xx + yy * yy + zz * zz + 2 * xy * xy + 2 * xz * xz + 2 * yz * yz) - 9 * mean * mean) / 2;
  *activity = 45 * mean * mean + 7 * gamma2;
  const double denominator = 45 * mean * mean + 4 * gamma2;
  *depolarization = denominator != 0 ? 3 * gamma2 / denominator : 0.0;
}

void roa_invariants(const double* alpha, const double* g, const double* a, double omega,
                    double* roa90, double* roa180) {
  double alpha_g = 0, alpha_alpha = 0, alpha_a = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const double aij = alpha[packed_index(i, j)];
      alpha_g += aij * g[i + 3 * j];
      alpha_alpha += aij * aij;
      for (int k = 0; k < 3; ++k)
        for (int l = 0; l < 3; ++l) alpha_a += aij * levi_civita(i, k, l) * a[3 * packed_index(l, j) + k];
    }
  const double trace_alpha = alpha[0] + alpha[2] + alpha[5], trace_g = g[0] + g[4] + g[8];
  const double beta_g = 1.5 * alpha_g - 0.5 * trace_alpha * trace_g;
  const double beta_a = 1.5 * omega * alpha_a;
  const double beta_alpha = 1.5 * alpha_alpha - 0.5 * trace_alpha * trace_alpha;
  std::printf(" aa=%14.10lf ab=%14.10lf aq=%14.10lf\n", beta_alpha, beta_g, beta_a);
  const double d = 3 * kSpeedOfLight * beta_alpha;
  // A totally symmetric mode of an isotropic tensor has no anisotropy: no difference.
  *roa90 = d != 0 ? -(6 * beta_g - 2 * beta_a) / d : 0.0;
  *roa180 = d != 0 ? -(24 * beta_g + 8 * beta_a) / d : 0.0;
}

}  // namespace ostrel
