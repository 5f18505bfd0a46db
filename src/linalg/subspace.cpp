#include "linalg/subspace.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "linalg/eigen_symmetric.hpp"
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

void subspace_diagonalize(const double* f, double* c, int n, int m, double* values) {
  if (n < 1 || m < 1) return;
  const std::int64_t nn = n, mm = m;
  const bool here = is_master;
  PoolArray<double> w(here ? nn * mm : 1);
  PoolArray<double> g(packed_size(mm));
  PoolArray<double> u(mm * mm);
  matrix_multiply(c, f, w.data(), m, n, n, -1, 0, -1, 1.0, 0.0);           // W = F C
  matrix_multiply(w.data(), c, g.data(), m, n, m, -1, 1, 0, 1.0, 0.0);     // G = C^T W
  eigen_symmetric(g.data(), u.data(), values, m);
  if (here) vec_copy(nn * mm, c, w.data());
  matrix_multiply(u.data(), w.data(), c, m, m, n, -1, -1, -1, 1.0, 0.0);   // C = C U
}

void plane_rotations(double* c, int n, int count, const int* pairs, const double* angles) {
  if (n < 1 || count < 1) return;
  const std::int64_t nn = n;
  int m = 0;  // vectors touched: 0 .. m-1
  if (is_master)
    for (int t = 0; t < 2 * count; ++t) m = std::max(m, pairs[t] + 1);
  auto rotate = [&](double* v, std::int64_t len, std::int64_t stride, const int* pr,
                    const double* an) {
    for (int t = 0; t < count; ++t) {
      double* p = v + pr[2 * t] * stride;
      double* q = v + pr[2 * t + 1] * stride;
      const double cs = std::cos(an[t]), sn = std::sin(an[t]);
      for (std::int64_t i = 0; i < len; ++i) {
        const double x = p[i], y = q[i];
        p[i] = cs * x - sn * y;
        q[i] = sn * x + cs * y;
      }
    }
  };
  if (node_count == 1) {
    rotate(c, nn, nn, pairs, angles);
    return;
  }
  mp_bcast(&m, 1, MP_INT);
  PoolArray<int> pr(2 * std::int64_t{count});
  PoolArray<double> an(count);
  if (is_master) {
    std::copy(pairs, pairs + 2 * count, pr.data());
    std::copy(angles, angles + count, an.data());
  }
  mp_bcast(pr.data(), 2 * std::int64_t{count}, MP_INT);
  mp_bcast(an.data(), count, MP_DOUBLE);
  auto slice = [&](int q, int* first, int* len) {
    const int base = n / node_count, extra = n % node_count;
    *len = base + (q < extra ? 1 : 0);
    *first = q * base + std::min(q, extra);
  };
  int first = 0, len = 0;
  slice(node_id, &first, &len);
  PoolArray<double> part(std::int64_t{(n + node_count - 1) / node_count} * m + 1);
  auto gather = [&](int f, int l, int direction) {
    for (std::int64_t k = 0; k < m; ++k) {
      if (direction == 1) {
        vec_copy(l, c + k * nn + f, part.data() + k * l);
      } else {
        vec_copy(l, part.data() + k * l, c + k * nn + f);
      }
    }
  };
  if (is_master) {
    for (int q = 1; q < node_count; ++q) {
      int f = 0, l = 0;
      slice(q, &f, &l);
      gather(f, l, 1);
      mp_send(part.data(), std::int64_t{l} * m, MP_DOUBLE, q);
    }
    rotate(c + first, len, nn, pr.data(), an.data());  // the master's own slice in place
    for (int q = 1; q < node_count; ++q) {
      int f = 0, l = 0;
      slice(q, &f, &l);
      mp_recv(part.data(), std::int64_t{l} * m, MP_DOUBLE, q);
      gather(f, l, 0);
    }
  } else {
    mp_recv(part.data(), std::int64_t{len} * m, MP_DOUBLE, 0);
    rotate(part.data(), len, len, pr.data(), an.data());
    mp_send(part.data(), std::int64_t{len} * m, MP_DOUBLE, 0);
  }
}

}  // namespace ostrel
