#include "integrals/boys.hpp"

#include <cmath>

#include "integrals/generated/boys_tables.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"

namespace ostrel {
namespace {

// Interval k covers [0.1 k^2, 0.1 (k+1)^2]; the integer square root of round(10 T) finds it.
struct IntervalIndex {
  unsigned char k[kBoysIntervals * kBoysIntervals];
  IntervalIndex() {
    int r = 0;
    for (int n = 0; n < kBoysIntervals * kBoysIntervals; ++n) {
      while ((r + 1) * (r + 1) <= n) ++r;
      k[n] = static_cast<unsigned char>(r);
    }
  }
};

// 1 / (q - 1/2) for the downward recursion: a multiply instead of a divide per order.
struct DownwardFactors {
  double inv[kBoysOrderLimit + 1];
  DownwardFactors() {
    inv[0] = 0.0;
    for (int q = 1; q <= kBoysOrderLimit; ++q) inv[q] = 1.0 / (q - 0.5);
  }
};

const IntervalIndex kIndex;
const DownwardFactors kDownward;

}  // namespace

void boys_function(int m, double t, double* f) {
  if (m < 0 || m > kBoysOrderLimit) fatal_error("\n %d: Boys function order %d out of range\n", node_id, m);
  if (t >= kBoysAsymptoticStart[m]) {
    // The upper incomplete part is below 2e-17 of every F_k, k <= m, here.
    const double inv = 1.0 / t;
    f[0] = std::sqrt(0.7853981633974483 * inv);
    for (int k = 0; k < m; ++k) f[k + 1] = (k + 0.5) * f[k] * inv;
    return;
  }
  // The top order from its interval polynomial (which carries a factor exp(b x) that takes
  // out the nearly exponential fall), the rest by the stable downward recursion.
  const int k = kIndex.k[static_cast<int>(std::lround(10.0 * t))];
  const double centre = 0.05 * (k * k + (k + 1) * (k + 1));
  const double x = t - centre;
  const double* c = kBoysPolynomials[k][m];
  double v = c[kBoysDegree];
  for (int q = kBoysDegree - 1; q >= 0; --q) v = v * x + c[q];
  f[m] = v * std::exp(-kBoysSlopes[k][m] * x);
  if (m == 0) return;
  const double half_e = 0.5 * std::exp(-t);
  for (int q = m; q > 0; --q) f[q - 1] = (t * f[q] + half_e) * kDownward.inv[q];
}

void boys_function_scaled(int m, double t, double scale, double s, double* f) {
  boys_function(m, t, f);
  double w = scale;
  for (int k = 0; k <= m; ++k) {
    f[k] *= w;
    w *= s;
  }
}

}  // namespace ostrel
