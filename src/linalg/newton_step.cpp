#include "linalg/newton_step.hpp"

#include <algorithm>
#include <cmath>

#include "linalg/vector_ops.hpp"

namespace ostrel {

namespace {

// x(mu) and its norm; a zero gradient component gives 0 even on a zero denominator.
double step_at(int n, const double* g, const double* d, double mu, double* x) {
  double s = 0.0;
  for (int i = 0; i < n; ++i) {
    x[i] = g[i] == 0.0 ? 0.0 : -g[i] / (d[i] + mu);
    s += x[i] * x[i];
  }
  return std::sqrt(s);
}

}  // namespace

double level_shifted_step(int n, const double* g, const double* d, double r, double* x,
                          double* predicted) {
  double lo = 0.0;
  if (n > 0) lo = std::max(0.0, -1.000000000001 * d[vec_index_min(n, d)]);
  double mu = lo;
  double norm = step_at(n, g, d, mu, x);
  if (!(norm <= r)) {
    double hi = lo + std::sqrt(vec_dot(n, g, g)) / r;
    // |x(hi)| <= r by construction; keep hi feasible while the bracket shrinks.
    while (hi - lo > 1e-12 * hi) {
      const double mid = 0.5 * (lo + hi);
      if (mid <= lo || mid >= hi) break;
      if (step_at(n, g, d, mid, x) > r) {
        lo = mid;
      } else {
        hi = mid;
      }
    }
    mu = hi;
    step_at(n, g, d, mu, x);
  }
  *predicted = 0.5 * (vec_dot(n, g, x) - mu * vec_dot(n, x, x));
  return mu;
}

}  // namespace ostrel
