#include "linalg/eigen_symmetric.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "linalg/gemm_kernel.hpp"
#include "linalg/small_solvers.hpp"
#include "linalg/tridiagonal_eigen.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/timer.hpp"

namespace ostrel {

namespace {

// a[0..len) -= x * q[0..len) + y * u[0..len)
inline void rank2_row(std::int64_t len, double* a, double x, const double* q, double y,
                      const double* u) {
  for (std::int64_t j = 0; j < len; ++j) a[j] -= x * q[j] + y * u[j];
}

}  // namespace

void tridiagonalize(double* packed, int n, double* h, double* d, double* e, int nodes) {
  const int me = nodes > 1 ? node_id : 0;
  // The update of step i+1 is applied lazily while step i passes over the rows, so that
  // each row is read and written once per step.
  // A u is summed per class of rows r % kRowClasses, the classes added in a fixed order
  // afterwards: the same bits whenever the node count divides the class count.
  PoolArray<double> work((4 + kRowClasses) * std::int64_t{n} + 16);
  double* pu = work.data();      // pending u
  double* pq = pu + n + 4;       // pending q
  double* p = pq + n + 4;        // A u of the current step
  double* message = p + n + 4;   // broadcast of the owner: u, h, d, e
  double* parts = message + n + 4;  // kRowClasses sums of i values each
  std::int64_t pending = 0;      // length of the pending update (0: none)
  auto row = [&](std::int64_t r) { return packed + r * (r + 1) / 2; };
  auto owns = [&](std::int64_t r) { return nodes <= 1 || r % nodes == me; };
  e[0] = 0.0;
  if (n > 0) h[0] = 0.0;
  if (n > 1) h[1] = 0.0;

  for (std::int64_t i = n - 1; i >= 1; --i) {
    double* ai = row(i);
    double hi = 0.0, ei = 0.0, di = 0.0;
    if (owns(i)) {
      if (pending) rank2_row(i + 1, ai, pu[i], pq, pq[i], pu);
      double sigma = 0.0;
      for (std::int64_t k = 0; k < i; ++k) sigma += ai[k] * ai[k];
      const double f = ai[i - 1];
      if (i == 1 || sigma == 0.0 || sigma == f * f) {
        ei = f;
      } else {
        const double g = f >= 0 ? -std::sqrt(sigma) : std::sqrt(sigma);
        ei = g;
        hi = sigma - f * g;
        ai[i - 1] = f - g;
      }
      di = ai[i];
    }
    if (nodes > 1) {
      // The owner hands the reflector and the new d, e, h to everybody.
      if (owns(i)) {
        vec_copy(i, ai, message);
        message[i] = hi;
        message[i + 1] = di;
        message[i + 2] = ei;
      }
      mp_bcast(message, i + 3, MP_DOUBLE, static_cast<int>(i % nodes));
      vec_copy(i, message, ai);
      hi = message[i];
      di = message[i + 1];
      ei = message[i + 2];
    }
    h[i] = hi;
    d[i] = di;
    e[i] = ei;
    const double* u = ai;
    // One pass over rows 0..i-1: finish the pending update, accumulate p = A u.
    if (hi != 0.0) vec_set(kRowClasses * i, 0.0, parts);
    for (std::int64_t r = 0; r < i; ++r) {
      if (!owns(r)) continue;
      double* ar = row(r);
      if (pending) rank2_row(r + 1, ar, pu[r], pq, pq[r], pu);
      if (hi != 0.0) {
        double* part = parts + (r % kRowClasses) * i;
        part[r] += vec_dot(r, ar, u) + ar[r] * u[r];
        vec_axpy(r, u[r], ar, part);
      }
    }
    pending = 0;
    if (hi == 0.0) continue;
    if (nodes > 1) mp_sum(parts, kRowClasses * i, MP_DOUBLE);  // other nodes' classes are zero here
    if (nodes <= 1 || is_master) {
      vec_copy(i, parts, p);
      for (int c = 1; c < kRowClasses; ++c) vec_axpy(i, 1.0, parts + c * i, p);
    }
    if (nodes > 1) mp_bcast(p, i, MP_DOUBLE);
    const double inv_h = 1.0 / hi;
    double up = 0.0;
    for (std::int64_t k = 0; k < i; ++k) {
      p[k] *= inv_h;
      up += u[k] * p[k];
    }
    const double kk = up * 0.5 * inv_h;
    for (std::int64_t k = 0; k < i; ++k) {
      pq[k] = p[k] - kk * u[k];
      pu[k] = u[k];
    }
    pending = i;
  }
  if (n > 0) {
    double* a0 = row(0);
    if (owns(0) && pending) a0[0] -= 2.0 * pu[0] * pq[0];
    d[0] = a0[0];
    if (nodes > 1) mp_bcast(d, 1, MP_DOUBLE, 0);
  }
}

void apply_reflectors(const double* packed, const double* h, int n, double* z, int m) {
  if (n < 3 || m < 1) return;
  constexpr int B = 128;
  const std::int64_t nn = n;
  PoolArray<double> work(nn * B + 2 * std::int64_t{B} * m + B * B);
  double* v = work.data();    // B reflectors, vector-major, zero beyond their support
  double* w = v + nn * B;     // V^T Z  (B x m, row-major)
  double* w2 = w + std::int64_t{B} * m;  // T^T V^T Z
  double* t = w2 + std::int64_t{B} * m;  // upper triangular T (B x B)
  // Reflector i (i = 2 .. n-1) acts on 0..i-1; blocks of ascending i, applied in order.
  for (std::int64_t i1 = 2; i1 < n; i1 += B) {
    const int b = static_cast<int>(std::min<std::int64_t>(B, n - i1));
    const std::int64_t support = i1 + b - 1;  // rows touched by the block
    for (int j = 0; j < b; ++j) {
      const std::int64_t i = i1 + j;
      double* vj = v + j * nn;
      vec_copy(i, packed + i * (i + 1) / 2, vj);
      vec_set(support - i, 0.0, vj + i);
    }
    // T of the forward product H_1 ... H_b = I - V T V^T.
    for (int j = 0; j < b; ++j) {
      const double hj = h[i1 + j];
      const double tau = hj != 0.0 ? 1.0 / hj : 0.0;
      double* tj = t + j;  // column j, stride B
      for (int l = 0; l < j; ++l) tj[l * B] = -tau * vec_dot(support, v + l * nn, v + j * nn);
      for (int l = 0; l < j; ++l) {
        double s = 0.0;
        for (int q = l; q < j; ++q) s += t[l * B + q] * tj[q * B];
        t[l * B + j] = s;
      }
      tj[j * B] = tau;
    }
    // Z = (I - V T^T V^T) Z, the block's reflectors applied smallest i first.
    vec_set(std::int64_t{b} * m, 0.0, w);
    gemm_views({v, 1, nn, b}, {z, -1, m, nn}, w, 1, m, b, m, support, 1.0);
    for (int j = 0; j < b; ++j) {
      double* row = w2 + std::int64_t{j} * m;
      vec_set(m, 0.0, row);
      for (int l = 0; l <= j; ++l) vec_axpy(m, t[l * B + j], w + std::int64_t{l} * m, row);
    }
    gemm_views({w2, -1, b, m}, {v, 1, nn, b}, z, 1, nn, m, support, b, -1.0);
  }
}

namespace {

void serial_eigen(double* packed, double* vectors, double* values, int n) {
  PoolArray<double> tri(3 * std::int64_t{n});
  double* h = tri.data();
  double* d = h + n;
  double* e = d + n;
  tridiagonalize(packed, n, h, d, e, 1);
  tridiagonal_eigen(d, e, n, vectors, values);
  apply_reflectors(packed, h, n, vectors, n);
}

// This node's share of the vectors: whole clusters, about n / node_count of them.
void share(const double* d, const double* e, int n, const double* values, int q, int* first, int* count) {
  const std::int64_t nn = n;
  *first = tridiagonal_cluster_start(d, e, n, values, static_cast<int>(nn * q / node_count));
  *count = tridiagonal_cluster_start(d, e, n, values, static_cast<int>(nn * (q + 1) / node_count)) - *first;
}

void parallel_eigen(double* packed, double* vectors, double* values, int n, bool same_bits) {
  const std::int64_t nn = n;
  // Workers need room for a full copy: they keep every reflector.
  PoolArray<double> copy(is_master ? 1 : packed_size(nn));
  double* a = is_master ? packed : copy.data();
  PoolArray<double> tri(3 * nn);
  double* h = tri.data();
  double* d = h + n;
  double* e = d + n;
  timer("reduce", '-');
  if (same_bits && kRowClasses % node_count != 0) {
    if (is_master) tridiagonalize(a, n, h, d, e, 1);
    mp_bcast(a, packed_size(nn), MP_DOUBLE);
    mp_bcast(tri.data(), tri.size(), MP_DOUBLE);
  } else {
    mp_bcast(a, packed_size(nn), MP_DOUBLE);
    tridiagonalize(a, n, h, d, e, node_count);
  }
  timer("reduce", '+');

  // The eigenvalues, the vectors and their back-transformation are the same bits for any
  // share of them, so only the reduction decides whether the node count shows.
  timer("eigen", '-');
  PoolArray<double> own_values(is_master ? 1 : nn);
  double* lambda = is_master ? values : own_values.data();
  tridiagonal_values(d, e, n, lambda, node_count);
  int first = 0, count = 0;
  share(d, e, n, lambda, node_id, &first, &count);
  PoolArray<double> z(is_master ? 1 : std::max<std::int64_t>(nn * count, 1));
  double* zz = is_master ? vectors : z.data();  // the master's share starts at vector 0
  tridiagonal_vectors(d, e, n, lambda, first, first + count, zz);
  timer("eigen", '+');

  timer("reflect", '-');
  apply_reflectors(a, h, n, zz, count);
  if (is_master) {
    for (int q = 1; q < node_count; ++q) {
      share(d, e, n, lambda, q, &first, &count);
      if (count > 0) mp_recv(vectors + first * nn, count * nn, MP_DOUBLE, q);
    }
  } else if (count > 0) {
    mp_send(zz, count * nn, MP_DOUBLE, 0);
  }
  timer("reflect", '+');
}

// Works at unit scale (by a power of two, so exactly): squares of very small or very large
// elements would underflow or overflow in the reduction and the Sturm counts.
int unit_scale(double* packed, int n) {
  const double biggest = vec_max_norm(packed_size(n), packed);
  if (!(biggest > 0.0) || !std::isfinite(biggest)) return 0;
  const int exponent = std::ilogb(biggest);
  if (exponent != 0) vec_scale(packed_size(n), std::ldexp(1.0, -exponent), packed);
  return exponent;
}

void finish(double* vectors, double* values, int n, int exponent) {
  if (exponent != 0)
    for (int i = 0; i < n; ++i) values[i] = std::ldexp(values[i], exponent);
  order_eigenpairs(vectors, values, n, n, 1);
}

}  // namespace

void eigen_symmetric(double* packed, double* vectors, double* values, int n, bool same_bits) {
  if (n < 1) return;
  int exponent = 0;
  if (is_master) exponent = unit_scale(packed, n);
  if (node_count > 1 && n / node_count > 100) {
    parallel_eigen(packed, vectors, values, n, same_bits);
  } else if (is_master) {
    serial_eigen(packed, vectors, values, n);
  }
  if (is_master) finish(vectors, values, n, exponent);
}

void eigen_symmetric_local(double* packed, double* vectors, double* values, int n) {
  if (n < 1) return;
  const int exponent = unit_scale(packed, n);
  serial_eigen(packed, vectors, values, n);
  finish(vectors, values, n, exponent);
}

}  // namespace ostrel
