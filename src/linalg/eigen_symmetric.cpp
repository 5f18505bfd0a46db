#include "linalg/eigen_symmetric.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "linalg/eigen_order.hpp"
#include "linalg/householder.hpp"
#include "linalg/tridiagonal_eigen.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/timer.hpp"

namespace ostrel {

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

// Vectors first..first+count-1 of node q when n vectors are dealt out in slices.
void slice(int n, int q, int* first, int* count) {
  const int base = n / node_count, extra = n % node_count;
  *count = base + (q < extra ? 1 : 0);
  *first = q * base + std::min(q, extra);
}

void parallel_eigen(double* packed, double* vectors, double* values, int n) {
  const std::int64_t nn = n;
  // Workers need room for a full copy: they keep every reflector as it is broadcast.
  PoolArray<double> copy(is_master ? 1 : packed_size(nn));
  double* a = is_master ? packed : copy.data();
  PoolArray<double> tri(3 * nn);
  double* h = tri.data();
  double* d = h + n;
  double* e = d + n;
  timer("reduce", '-');
  mp_bcast(a, packed_size(nn), MP_DOUBLE);
  tridiagonalize(a, n, h, d, e, node_count);
  timer("reduce", '+');

  timer("eigen", '-');
  PoolArray<double> z(is_master ? 1 : nn * nn);
  double* zz = is_master ? vectors : z.data();
  if (is_master) tridiagonal_eigen(d, e, n, zz, values);
  timer("eigen", '+');

  timer("reflect", '-');
  mp_bcast(zz, nn * nn, MP_DOUBLE);
  int first = 0, count = 0;
  slice(n, node_id, &first, &count);
  apply_reflectors(a, h, n, zz + first * nn, count);
  if (is_master) {
    for (int q = 1; q < node_count; ++q) {
      slice(n, q, &first, &count);
      if (count > 0) mp_recv(zz + first * nn, count * nn, MP_DOUBLE, q);
    }
  } else if (count > 0) {
    mp_send(zz + first * nn, count * nn, MP_DOUBLE, 0);
  }
  timer("reflect", '+');
}

}  // namespace

void eigen_symmetric(double* packed, double* vectors, double* values, int n) {
  if (n < 1) return;
  // Work at unit scale (by a power of two, so exactly): squares of very small or very
  // large elements would underflow or overflow in the reduction and the Sturm counts.
  int exponent = 0;
  if (is_master) {
    const double biggest = vec_max_norm(packed_size(n), packed);
    if (biggest > 0.0 && std::isfinite(biggest)) {
      exponent = std::ilogb(biggest);
      if (exponent != 0) vec_scale(packed_size(n), std::ldexp(1.0, -exponent), packed);
    }
  }
  if (node_count > 1 && n / node_count > 100) {
    parallel_eigen(packed, vectors, values, n);
  } else if (is_master) {
    serial_eigen(packed, vectors, values, n);
  }
  if (is_master) {
    if (exponent != 0)
      for (int i = 0; i < n; ++i) values[i] = std::ldexp(values[i], exponent);
    order_eigenpairs(vectors, values, n, n, 1);
  }
}

}  // namespace ostrel
