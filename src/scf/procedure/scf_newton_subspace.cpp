#include "scf/procedure/scf_newton_subspace.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "linalg/small_solvers.hpp"
#include "linalg/vector_ops.hpp"

namespace ostrel {
namespace {

double step(int n, const double* h, const double* lambda, double mu, double* y) {
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    y[i] = h[i] == 0.0 ? 0.0 : -h[i] / (lambda[i] + mu);
    sum += y[i] * y[i];
  }
  return sum;
}

}  // namespace

NewtonReport newton_subspace_solve(NewtonSubspace& sub, int n) {
  PoolArray<double> a(packed_size(n)), v(std::int64_t{n} * n), lambda(n), h(n), y(n);
  vec_copy(packed_size(n), sub.a.data(), a.data());
  eigen_jacobi(a.data(), v.data(), lambda.data(), n, 0);
  NewtonReport report{lambda[0], 0.0};
  double lowest = 0.0;
  for (int i = 0; i < n; ++i) {
    if (lambda[i] < -4.0) lambda[i] = std::fabs(lambda[i]);
    lowest = i == 0 ? lambda[i] : std::min(lowest, lambda[i]);
    h[i] = vec_dot(n, v.data() + std::int64_t{i} * n, sub.gamma.data());
  }
  const double max_step2 = sub.max_step * sub.max_step;
  double length2 = lowest >= 0.0 ? step(n, h.data(), lambda.data(), 0.0, y.data()) : 1.0 / 0.0;
  if (!(length2 <= max_step2)) {
    // Bisection for the shift that brings the step to the limit; at the upper end every
    // denominator is at least |h| / max_step, so that step is never longer.
    double lower = lowest < 0.0 ? -1.00000001 * lowest : 0.0;
    double upper = std::sqrt(vec_dot(n, h.data(), h.data())) / sub.max_step + lower;
    do {
      const double mu = 0.5 * (lower + upper);
      if (step(n, h.data(), lambda.data(), mu, y.data()) > max_step2)
        lower = mu;
      else
        upper = mu;
    } while (upper - lower > 1e-10 * upper);
    // The step of the upper end, which is never longer than the limit.
    step(n, h.data(), lambda.data(), upper, y.data());
    report.mu = upper;
  }
  vec_set(n, 0.0, sub.c.data());
  for (int i = 0; i < n; ++i) vec_axpy(n, y[i], v.data() + std::int64_t{i} * n, sub.c.data());
  return report;
}

double newton_model_change(const NewtonSubspace& sub, int n) {
  double change = vec_dot(n, sub.gamma.data(), sub.c.data());
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) change += 0.5 * sub.c[i] * sub.a[packed_index(i, j)] * sub.c[j];
  return change;
}

}  // namespace ostrel
