#include "linalg/subspace.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "linalg/eigen_symmetric.hpp"
#include "linalg/multiply.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

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
