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

}  // namespace

void boys_function(int m, double t, double* f) {
  if (m < 0 || m > kBoysOrderLimit) fatal_error("\n %d: Boys function order %d out of range\n", node_id, m);
  if (t >= 2.0 * m + 36.0) {
    // exp(-T) is below 1e-15 of the complete integral here.
    const double inv = 1.0 / t;
    f[0] = std::sqrt(0.7853981633974483 * inv);
    for (int k = 0; k < m; ++k) f[k + 1] = (k + 0.5) * f[k] * inv;
    return;
  }
  if (t >= 0.5 * m + 0.5) {
    // The degree-12 fits lose digits for high orders on the wide intervals; upward recursion
    // from the closed form of F_0 is stable in this range (relative error near 1e-15).
    const double half_e = 0.5 * std::exp(-t);
    const double inv = 1.0 / t;
    f[0] = std::sqrt(0.7853981633974483 * inv) * std::erf(std::sqrt(t));
    for (int k = 0; k < m; ++k) f[k + 1] = ((k + 0.5) * f[k] - half_e) * inv;
    return;
  }
  static const IntervalIndex index;
  const int k = index.k[static_cast<int>(std::lround(10.0 * t))];
  const double centre = 0.05 * (k * k + (k + 1) * (k + 1));
  const double x = t - centre;
  const double* c = kBoysPolynomials[k][m];
  double v = c[kBoysDegree];
  for (int q = kBoysDegree - 1; q >= 0; --q) v = v * x + c[q];
  f[m] = v;
  if (m == 0) return;
  const double half_e = 0.5 * std::exp(-t);
  for (int q = m; q > 0; --q) f[q - 1] = (t * f[q] + half_e) / (q - 0.5);
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
