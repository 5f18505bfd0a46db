#include "linalg/orthonormalize.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "linalg/multiply.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/timer.hpp"

namespace ostrel {

namespace {

// Components first..first+count-1 of node q.
void component_slice(int n, int q, int* first, int* count) {
  const int base = n / node_count, extra = n % node_count;
  *count = base + (q < extra ? 1 : 0);
  *first = q * base + std::min(q, extra);
}

// Moves the slice (first, count) of each of m vectors between full vectors (stride n) and a
// packed slice array (stride count): direction 1 full -> slice.
void move_slice(double* full, double* part, int n, int m, int first, int count, int direction) {
  for (std::int64_t k = 0; k < m; ++k) {
    double* f = full + k * n + first;
    double* p = part + k * count;
    if (direction == 1) {
      vec_copy(count, f, p);
    } else {
      vec_copy(count, p, f);
    }
  }
}

}  // namespace

void orthonormalize(const double* s, double* c, int n, int m) {
  if (n < 1 || m < 1) return;
  timer("Orthogonalization", '-');
  const std::int64_t nn = n;
  PoolArray<double> w_full(is_master ? nn * m : 1);
  matrix_multiply(c, s, w_full.data(), m, n, n, -1, 0, -1, 1.0, 0.0);

  int first = 0, len = n;
  if (node_count > 1) component_slice(n, node_id, &first, &len);
  PoolArray<double> part(2 * std::int64_t{len} * m + 2 * std::int64_t{m} + 2);
  double* cp = part.data();
  double* wp = cp + std::int64_t{len} * m;
  double* sv = wp + std::int64_t{len} * m;
  if (node_count == 1) {
    vec_copy(nn * m, c, cp);
    vec_copy(nn * m, w_full.data(), wp);
  } else if (is_master) {
    PoolArray<double> buffer(2 * std::int64_t{(n + node_count - 1) / node_count} * m + 1);
    for (int q = 1; q < node_count; ++q) {
      int f = 0, l = 0;
      component_slice(n, q, &f, &l);
      move_slice(c, buffer.data(), n, m, f, l, 1);
      move_slice(w_full.data(), buffer.data() + std::int64_t{l} * m, n, m, f, l, 1);
      mp_send(buffer.data(), 2 * std::int64_t{l} * m, MP_DOUBLE, q);
    }
    move_slice(c, cp, n, m, first, len, 1);
    move_slice(w_full.data(), wp, n, m, first, len, 1);
  } else {
    mp_recv(cp, 2 * std::int64_t{len} * m, MP_DOUBLE, 0);
  }

  for (int k = 0; k < m; ++k) {
    double* ck = cp + std::int64_t{k} * len;
    const double* wk = wp + std::int64_t{k} * len;
    for (int j = 0; j <= k; ++j) sv[j] = vec_dot(len, cp + std::int64_t{j} * len, wk);
    if (node_count > 1) {
      mp_sum(sv, k + 1, MP_DOUBLE);
      mp_bcast(sv, k + 1, MP_DOUBLE);
    }
    double norm2 = sv[k];
    for (int j = 0; j < k; ++j) {
      vec_axpy(len, -sv[j], cp + std::int64_t{j} * len, ck);
      norm2 -= sv[j] * sv[j];
    }
    // Exact dependence leaves rounding noise of either sign, so compare with the length
    // the vector had before projection.
    if (!(norm2 > 1e-13 * std::fabs(sv[k]))) {
      if (is_master) fatal_error(" orthogonalize? s(%d)=%18.15lf\n", k, norm2);
      fatal_stop();
    }
    vec_scale(len, 1.0 / std::sqrt(norm2), ck);
  }

  if (node_count == 1) {
    vec_copy(nn * m, cp, c);
  } else if (is_master) {
    move_slice(c, cp, n, m, first, len, 0);
    PoolArray<double> buffer(std::int64_t{(n + node_count - 1) / node_count} * m + 1);
    for (int q = 1; q < node_count; ++q) {
      int f = 0, l = 0;
      component_slice(n, q, &f, &l);
      mp_recv(buffer.data(), std::int64_t{l} * m, MP_DOUBLE, q);
      move_slice(c, buffer.data(), n, m, f, l, 0);
    }
  } else {
    mp_send(cp, std::int64_t{len} * m, MP_DOUBLE, 0);
  }
  timer("Orthogonalization", '+');
}

}  // namespace ostrel
