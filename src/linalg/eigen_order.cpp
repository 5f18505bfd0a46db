#include "linalg/eigen_order.hpp"

#include <cmath>
#include <cstdint>
#include <utility>

#include "linalg/vector_ops.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

namespace {

// Sort key of a pair; smaller keys come first.
double sort_key(const double* v, double value, int n, int mode) {
  switch (mode) {
    case 1: return value;
    case -1: return -value;
    case -2: return -std::fabs(value);
    default: return static_cast<double>(vec_index_max_abs(n, v));
  }
}

}  // namespace

void order_eigenpairs(double* vectors, double* values, int n, int m, int mode) {
  const std::int64_t nn = n;
  for (int j = 0; j < m; ++j) {
    double* v = vectors + j * nn;
    if (n > 0 && v[vec_index_max_abs(n, v)] < 0.0) vec_scale(n, -1.0, v);
  }
  if (m < 2) return;
  PoolArray<double> keys(m);
  for (int j = 0; j < m; ++j) keys[j] = sort_key(vectors + j * nn, values[j], n, mode);
  for (int j = 0; j + 1 < m; ++j) {
    int best = j;
    for (int k = j + 1; k < m; ++k)
      if (keys[k] < keys[best]) best = k;
    if (best != j) {
      std::swap(keys[j], keys[best]);
      std::swap(values[j], values[best]);
      vec_swap(n, vectors + j * nn, vectors + best * nn);
    }
  }
}

}  // namespace ostrel
