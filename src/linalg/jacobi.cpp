#include "linalg/jacobi.hpp"

#include <cmath>
#include <cstdint>

#include "linalg/eigen_order.hpp"
#include "linalg/vector_ops.hpp"

namespace ostrel {

void eigen_jacobi(double* a, double* vectors, double* values, int n, int stride) {
  if (n < 1) return;
  const std::int64_t len = stride == 0 ? n : stride;
  if (stride == 0) {
    vec_set(std::int64_t{n} * n, 0.0, vectors);
    for (std::int64_t i = 0; i < n; ++i) vectors[i * n + i] = 1.0;
  }
  auto at = [&](std::int64_t i, std::int64_t j) -> double& { return a[packed_index(i, j)]; };
  for (int sweep = 0; sweep < 50; ++sweep) {
    double off = 0.0, diag = 0.0;
    for (std::int64_t i = 0; i < n; ++i) {
      for (std::int64_t j = 0; j < i; ++j) off += at(i, j) * at(i, j);
      diag += at(i, i) * at(i, i);
    }
    off = std::sqrt(2.0 * off / (double(n) * n));
    diag = std::sqrt(diag / n);
    if (off <= 1e-14 * diag || off == 0.0) break;
    for (std::int64_t i = 1; i < n; ++i) {
      for (std::int64_t j = 0; j < i; ++j) {
        const double aij = at(i, j);
        if (aij == 0.0 || std::fabs(aij) < off) continue;
        // Rotation in the (j, i) plane that zeroes a_ij.
        const double theta = (at(i, i) - at(j, j)) / (2.0 * aij);
        const double t = (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
        const double c = 1.0 / std::sqrt(t * t + 1.0), s = t * c;
        for (std::int64_t k = 0; k < n; ++k) {
          if (k == i || k == j) continue;
          const double akj = at(k, j), aki = at(k, i);
          at(k, j) = c * akj - s * aki;
          at(k, i) = s * akj + c * aki;
        }
        at(j, j) -= t * aij;
        at(i, i) += t * aij;
        at(i, j) = 0.0;
        double* vj = vectors + j * len;
        double* vi = vectors + i * len;
        for (std::int64_t k = 0; k < len; ++k) {
          const double x = vj[k], y = vi[k];
          vj[k] = c * x - s * y;
          vi[k] = s * x + c * y;
        }
      }
    }
  }
  for (std::int64_t i = 0; i < n; ++i) values[i] = at(i, i);
  order_eigenpairs(vectors, values, static_cast<int>(len), n, 1);
}

}  // namespace ostrel
