#include "geometry/paths/hypersphere_step.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/step_tools.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

// Removes from w its components along the first k orthonormal vectors of q; returns the
// norm left.
double orthogonalise(int m, int k, const double* q, double* w) {
  for (int pass = 0; pass < 2; ++pass)
    for (int j = 0; j < k; ++j) vec_axpy(m, -vec_dot(m, q + std::int64_t{j} * m, w), q + std::int64_t{j} * m, w);
  return std::sqrt(vec_dot(m, w, w));
}

}  // namespace

int mass_weighted_external_motions(int n_atoms, const double* root, const double* y, double* t) {
  const int m = 3 * n_atoms;
  double centre[3] = {0, 0, 0}, total = 0;
  for (int a = 0; a < n_atoms; ++a) {
    const double mass = root[3 * a] * root[3 * a];
    total += mass;
    for (int c = 0; c < 3; ++c) centre[c] += mass * y[3 * a + c] / root[3 * a];
  }
  for (double& c : centre) c /= total;
  int count = 0;
  for (int axis = 0; axis < 6; ++axis) {
    double* w = t + std::int64_t{count} * m;
    vec_set(m, 0.0, w);
    for (int a = 0; a < n_atoms; ++a) {
      const double* r = y + 3 * a;
      const double s = root[3 * a];
      if (axis < 3) {
        w[3 * a + axis] = s;
        continue;
      }
      // e_k x (r - centre), with r the plain coordinates
      const double d[3] = {r[0] / s - centre[0], r[1] / s - centre[1], r[2] / s - centre[2]};
      const int k = axis - 3, i = (k + 1) % 3, j = (k + 2) % 3;
      w[3 * a + j] = s * d[i];
      w[3 * a + i] = -s * d[j];
    }
    const double before = std::sqrt(vec_dot(m, w, w));
    const double after = orthogonalise(m, count, t, w);
    // A rotation about the axis of a linear molecule moves nothing.
    if (before > 0.0 && after > 1e-6 * before) vec_scale(m, 1.0 / after, w), ++count;
  }
  return count;
}

SphereStep hypersphere_step(int m, double* h, const double* g, const double* v, int nt, const double* t,
                            double trust, double* step) {
  SphereStep r{};
  PoolArray<double> q(std::int64_t{m} * (nt + 1)), hu(m);
  const double radius = std::sqrt(vec_dot(m, v, v));
  // q: the radial direction, then the external motions made orthogonal to it.
  vec_copy(m, v, q.data());
  vec_scale(m, 1.0 / radius, q.data());
  int nq = 1;
  for (int k = 0; k < nt; ++k) {
    double* e = q.data() + std::int64_t{nq} * m;
    vec_copy(m, t + std::int64_t{k} * m, e);
    const double norm = orthogonalise(m, nq, q.data(), e);
    if (norm > 1e-6) vec_scale(m, 1.0 / norm, e), ++nq;
  }
  const double* u = q.data();
  for (int i = 0; i < m; ++i) {
    double sum = 0.0;
    for (int j = 0; j < m; ++j) sum += h[packed_index(std::max(i, j), std::min(i, j))] * u[j];
    hu[i] = sum;
  }
  const double uhu = vec_dot(m, u, hu.data());
  // P H P, with the radius shifted up by 100 and the external motions by 1000 so that the
  // lowest m - nq eigenvectors span the tangent space of the sphere.
  PoolArray<double> hq(std::int64_t{m} * nq);
  for (int k = 0; k < nq; ++k)
    for (int i = 0; i < m; ++i) {
      double sum = 0.0;
      for (int j = 0; j < m; ++j) sum += h[packed_index(std::max(i, j), std::min(i, j))] * q[std::int64_t{k} * m + j];
      hq[std::int64_t{k} * m + i] = sum;
    }
  PoolArray<double> qhq(std::int64_t{nq} * nq);
  for (int a = 0; a < nq; ++a)
    for (int b = 0; b < nq; ++b) qhq[a * nq + b] = vec_dot(m, q.data() + std::int64_t{a} * m, hq.data() + std::int64_t{b} * m);
  for (int i = 0; i < m; ++i)
    for (int j = 0; j <= i; ++j) {
      double x = h[packed_index(i, j)];
      for (int a = 0; a < nq; ++a) {
        const double qi = q[std::int64_t{a} * m + i], qj = q[std::int64_t{a} * m + j];
        x -= qi * hq[std::int64_t{a} * m + j] + hq[std::int64_t{a} * m + i] * qj;
        for (int b = 0; b < nq; ++b) x += qi * qhq[a * nq + b] * q[std::int64_t{b} * m + j];
        x += (a == 0 ? 100.0 : 1000.0) * qi * qj;
      }
      h[packed_index(i, j)] = x;
    }
  PoolArray<double> vec(std::int64_t{m} * m), val(m), gm(m), shifted(m), s(m);
  eigen_local(h, vec.data(), val.data(), m);
  const int nt_free = m - nq;
  for (int i = 0; i < nt_free; ++i) gm[i] = vec_dot(m, vec.data() + std::int64_t{i} * m, g);
  r.g_radial = vec_dot(m, u, g);
  // The sphere's multiplier: the curvature of the constraint seen by the tangential modes.
  const double lambda = -r.g_radial / radius;
  for (int i = 0; i < nt_free; ++i) shifted[i] = val[i] + lambda;
  double predicted = 0.0;
  vec_set(m, 0.0, s.data());
  if (nt_free > 0) trust_region_step(nt_free, gm.data(), shifted.data(), trust, s.data(), &predicted);
  r.g_tangent = std::sqrt(vec_dot(nt_free, gm.data(), gm.data()));
  const double tangent = std::sqrt(vec_dot(nt_free, s.data(), s.data()));
  const double s_radial = std::sqrt(std::max(0.0, radius * radius - tangent * tangent)) - radius;
  vec_set(m, 0.0, step);
  for (int i = 0; i < nt_free; ++i) {
    vec_axpy(m, s[i], vec.data() + std::int64_t{i} * m, step);
    std::printf(" %3d g=%10.7lf h=%10.7lf d=%10.7lf\n", i + 1, gm[i], val[i], s[i]);
  }
  vec_axpy(m, s_radial, u, step);
  std::printf(" %3d g=%10.7lf h=%10.7lf d=%10.7lf\n", nt_free + 1, r.g_radial, uhu, s_radial);
  r.length = std::sqrt(vec_dot(m, step, step));
  r.largest = vec_max_norm(m, step);
  return r;
}

}  // namespace ostrel
