#include "geometry/step_tools.hpp"

#include <cmath>
#include <cstdint>

#include "linalg/eigen_symmetric.hpp"
#include "linalg/small_solvers.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

namespace {

// Translations and the rotations about the given axes through the geometric centre,
// orthonormalised; rotations that move no atom are dropped.
int external_motions(int n_atoms, const double* xyz, int n_axes, const double (*axes)[3], double* t) {
  const int n = n_atoms, m = 3 * n;
  vec_set(6 * std::int64_t{m}, 0.0, t);
  const double s = 1.0 / std::sqrt(static_cast<double>(n));
  for (int d = 0; d < 3; ++d)
    for (int a = 0; a < n; ++a) t[d * m + 3 * a + d] = s;
  double centre[3] = {0, 0, 0};
  for (int a = 0; a < n; ++a)
    for (int d = 0; d < 3; ++d) centre[d] += xyz[3 * a + d] / n;
  // Infinitesimal rotations r x e about the centre.
  PoolArray<double> raw(3 * std::int64_t{m});
  for (int d = 0; d < n_axes; ++d) {
    double* r = raw.data() + d * m;
    const double* e = axes[d];
    for (int a = 0; a < n; ++a) {
      const double x = xyz[3 * a] - centre[0], y = xyz[3 * a + 1] - centre[1], z = xyz[3 * a + 2] - centre[2];
      r[3 * a] = y * e[2] - z * e[1];
      r[3 * a + 1] = z * e[0] - x * e[2];
      r[3 * a + 2] = x * e[1] - y * e[0];
    }
  }
  // Symmetric orthonormalisation through the overlap; near-null directions dropped.
  double overlap[6], vectors[9], values[3];
  for (int p = 0; p < n_axes; ++p)
    for (int q = 0; q <= p; ++q) overlap[packed_index(p, q)] = vec_dot(m, raw.data() + p * m, raw.data() + q * m);
  eigen_local(overlap, vectors, values, n_axes);
  int count = 3;
  for (int k = 0; k < n_axes; ++k) {
    if (values[k] <= 1e-8) continue;
    double* out = t + count * m;
    for (int p = 0; p < n_axes; ++p)
      vec_axpy(m, vectors[n_axes * k + p] / std::sqrt(values[k]), raw.data() + p * m, out);
    ++count;
  }
  return count;
}

}  // namespace

int translation_rotation_vectors(int n_atoms, const double* xyz, double* t) {
  static constexpr double kAxes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  return external_motions(n_atoms, xyz, 3, kAxes, t);
}

int linear_translation_rotation_vectors(int n_atoms, const double* xyz, const double* axis, double* t) {
  // Two axes perpendicular to the molecule's: the cartesian axis least parallel to it,
  // made perpendicular, and their cross product.
  const double u[3] = {axis[0], axis[1], axis[2]};
  const int least = std::fabs(u[0]) <= std::fabs(u[1]) && std::fabs(u[0]) <= std::fabs(u[2]) ? 0
                    : std::fabs(u[1]) <= std::fabs(u[2])                                       ? 1
                                                                                               : 2;
  double axes[2][3] = {{0, 0, 0}, {0, 0, 0}};
  axes[0][least] = 1.0;
  const double along = u[least];
  for (int d = 0; d < 3; ++d) axes[0][d] -= along * u[d];
  const double norm = std::sqrt(vec_dot(3, axes[0], axes[0]));
  for (int d = 0; d < 3; ++d) axes[0][d] /= norm;
  axes[1][0] = u[1] * axes[0][2] - u[2] * axes[0][1];
  axes[1][1] = u[2] * axes[0][0] - u[0] * axes[0][2];
  axes[1][2] = u[0] * axes[0][1] - u[1] * axes[0][0];
  return external_motions(n_atoms, xyz, 2, axes, t);
}

double trust_region_step(int n, const double* g, const double* h, double trust, double* s,
                         double* predicted) {
  return level_shifted_step(n, g, h, trust, s, predicted);
}

void update_hessian(int n, double* h, const double* dx, const double* dg, HessianUpdate kind) {
  PoolArray<double> hdx(n);
  matrix_times_vector(n, h, 0, dx, hdx.data(), 1.0, 0.0);
  if (kind == HessianUpdate::BFGS) {
    const double gx = vec_dot(n, dg, dx), xhx = vec_dot(n, dx, hdx.data());
    if (!(gx > 0.0) || !(xhx > 0.0)) return;
    for (int p = 0; p < n; ++p)
      for (int q = 0; q <= p; ++q)
        h[packed_index(p, q)] += dg[p] * dg[q] / gx - hdx[p] * hdx[q] / xhx;
    return;
  }
  const double xx = vec_dot(n, dx, dx);
  if (!(xx > 0.0)) return;
  PoolArray<double> r(n);
  for (int p = 0; p < n; ++p) r[p] = dg[p] - hdx[p];
  const double rx = vec_dot(n, r.data(), dx);
  for (int p = 0; p < n; ++p)
    for (int q = 0; q <= p; ++q)
      h[packed_index(p, q)] += (r[p] * dx[q] + dx[p] * r[q]) / xx - rx * dx[p] * dx[q] / (xx * xx);
}

void eigen_local(double* packed, double* vectors, double* values, int n) {
  if (n < 1) return;
  // The optimizer works on the master alone, so the solver must not wait for other nodes;
  // Householder and QL rather than Jacobi: two thirds of a 150-atom optimisation's own time
  // went into Jacobi sweeps.
  eigen_symmetric_local(packed, vectors, values, n);
}

}  // namespace ostrel
