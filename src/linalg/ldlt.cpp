#include "linalg/ldlt.hpp"

#include <cmath>
#include <cstdint>

#include "linalg/vector_ops.hpp"

namespace ostrel {

int ldlt_factor(double* a, int n) {
  int zero_pivot = -1;
  auto row = [&](std::int64_t r) { return a + r * (r + 1) / 2; };
  {
    for (std::int64_t i = 0; i < n; ++i) {
      double* ri = row(i);
      // ri[j] holds w_j = L_ij D_j while j < i is being formed.
      for (std::int64_t j = 0; j < i; ++j) ri[j] -= vec_dot(j, ri, row(j));
      double dii = ri[i];
      for (std::int64_t j = 0; j < i; ++j) {
        const double dj = row(j)[j];
        const double l = dj != 0.0 ? ri[j] / dj : 0.0;
        dii -= ri[j] * l;
        ri[j] = l;
      }
      ri[i] = dii;
      if (dii == 0.0 && zero_pivot < 0) zero_pivot = static_cast<int>(i);
    }
  }
  return zero_pivot;
}

void ldlt_solve(const double* a, int n, double* b, int k) {
  const bool half = n < 0;
  const std::int64_t nn = half ? -std::int64_t{n} : n;
  auto row = [&](std::int64_t r) { return a + r * (r + 1) / 2; };
  for (int rhs = 0; rhs < k; ++rhs) {
    double* x = b + rhs * nn;
    for (std::int64_t i = 1; i < nn; ++i) x[i] -= vec_dot(i, row(i), x);
    if (half) {
      for (std::int64_t i = 0; i < nn; ++i) x[i] /= std::sqrt(row(i)[i]);
      continue;
    }
    for (std::int64_t i = 0; i < nn; ++i) x[i] /= row(i)[i];
    for (std::int64_t i = nn - 1; i > 0; --i) vec_axpy(i, -x[i], row(i), x);
  }
}

}  // namespace ostrel
