#include "geometry/hessian/internal_displacements.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "linalg/eigen_symmetric.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

// w = a x b
void cross(const double* a, const double* b, double* w) {
  w[0] = a[1] * b[2] - a[2] * b[1];
  w[1] = a[2] * b[0] - a[0] * b[2];
  w[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

int rigid_and_internal_directions(int n_atoms, const double* xyz, const double* g, const double* mu,
                                  double charge, double* q, double* h_columns, double* mu_columns) {
  const int n3 = 3 * n_atoms;
  // Raw rigid motions with their images: a translation along axis c leaves the gradient
  // and moves the dipole by charge e_c; a rotation w x r turns both, H (w x r) = w x g.
  PoolArray<double> raw(6 * std::int64_t{n3}), hraw(6 * std::int64_t{n3}), mraw(18);
  for (int c = 0; c < 3; ++c) {
    double w[3] = {0, 0, 0};
    w[c] = 1.0;
    double* t = raw.data() + std::int64_t{c} * n3;
    double* r = raw.data() + std::int64_t{c + 3} * n3;
    vec_set(n3, 0.0, t);
    vec_set(n3, 0.0, hraw.data() + std::int64_t{c} * n3);
    for (int a = 0; a < n_atoms; ++a) {
      t[3 * a + c] = 1.0;
      cross(w, xyz + 3 * a, r + 3 * a);
      cross(w, g + 3 * a, hraw.data() + std::int64_t{c + 3} * n3 + 3 * a);
    }
    vec_set(3, 0.0, mraw.data() + 3 * c);
    mraw[3 * c + c] = charge;
    cross(w, mu, mraw.data() + 3 * (c + 3));
  }
  // Gram-Schmidt with the images carried along. A rotation about a linear molecule's axis
  // vanishes and is dropped; so is a nearly vanishing one (a nearly linear molecule's): its
  // image divided by its small length would magnify the energy's slight lack of invariance
  // on the grid, and differences serve that direction as well as any other.
  int rigid = 0;
  for (int k = 0; k < 6; ++k) {
    double* v = raw.data() + std::int64_t{k} * n3;
    double* hv = hraw.data() + std::int64_t{k} * n3;
    double* mv = mraw.data() + 3 * k;
    const double size = std::sqrt(vec_dot(n3, v, v));
    for (int j = 0; j < rigid; ++j) {
      const double p = vec_dot(n3, q + std::int64_t{j} * n3, v);
      vec_axpy(n3, -p, q + std::int64_t{j} * n3, v);
      vec_axpy(n3, -p, h_columns + std::int64_t{j} * n3, hv);
      vec_axpy(3, -p, mu_columns + 3 * j, mv);
    }
    const double left = std::sqrt(vec_dot(n3, v, v));
    if (left <= 1e-2 * std::max(size, 1.0)) continue;
    vec_copy(n3, v, q + std::int64_t{rigid} * n3);
    vec_copy(n3, hv, h_columns + std::int64_t{rigid} * n3);
    vec_copy(3, mv, mu_columns + 3 * rigid);
    vec_scale(n3, 1.0 / left, q + std::int64_t{rigid} * n3);
    vec_scale(n3, 1.0 / left, h_columns + std::int64_t{rigid} * n3);
    vec_scale(3, 1.0 / left, mu_columns + 3 * rigid);
    ++rigid;
  }
  // The complement: the eigenvectors of 1 - E E^T with eigenvalue 1 (the last ones).
  PoolArray<double> p(packed_size(n3)), vectors(std::int64_t{n3} * n3), values(n3);
  for (int i = 0; i < n3; ++i)
    for (int j = 0; j <= i; ++j) {
      double v = i == j ? 1.0 : 0.0;
      for (int k = 0; k < rigid; ++k) v -= q[std::int64_t{k} * n3 + i] * q[std::int64_t{k} * n3 + j];
      p[packed_index(i, j)] = v;
    }
  eigen_symmetric_local(p.data(), vectors.data(), values.data(), n3);
  vec_copy(std::int64_t{n3 - rigid} * n3, vectors.data() + std::int64_t{rigid} * n3, q + std::int64_t{rigid} * n3);
  return rigid;
}

}  // namespace ostrel
