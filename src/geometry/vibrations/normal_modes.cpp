#include "geometry/vibrations/normal_modes.hpp"

#include <cmath>
#include <cstdint>

#include "geometry/step_tools.hpp"
#include "geometry/vibrations/vibration_constants.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

void mass_weights(int n_atoms, const double* mass, double* w) {
  for (int a = 0; a < n_atoms; ++a)
    for (int d = 0; d < 3; ++d) w[3 * a + d] = 1.0 / std::sqrt(kElectronMassesPerAmu * mass[a]);
}

int harmonic_modes(int n_atoms, const double* xyz, const double* w, const double* hessian,
                   double* vectors, double* values) {
  const int m = 3 * n_atoms;
  PoolArray<double> t(6 * std::int64_t{m});
  const int ntr = translation_rotation_vectors(n_atoms, xyz, t.data());

  // P H P = H - T X^T - X T^T + T (T^T X) T^T with X = H T.
  PoolArray<double> x(std::int64_t{m} * ntr), y(ntr * ntr), h(packed_size(m));
  for (int a = 0; a < ntr; ++a) matrix_times_vector(m, hessian, 0, t.data() + a * m, x.data() + a * m, 1.0, 0.0);
  for (int a = 0; a < ntr; ++a)
    for (int b = 0; b < ntr; ++b) y[a * ntr + b] = vec_dot(m, t.data() + a * m, x.data() + b * m);
  for (int i = 0; i < m; ++i)
    for (int j = 0; j <= i; ++j) {
      double v = hessian[packed_index(i, j)];
      for (int a = 0; a < ntr; ++a) {
        const double tai = t[a * m + i], taj = t[a * m + j];
        v -= tai * x[a * m + j] + x[a * m + i] * taj;
        for (int b = 0; b < ntr; ++b) v += tai * y[a * ntr + b] * t[b * m + j];
      }
      h[packed_index(i, j)] = v * w[i] * w[j];
    }

  // The external motions in mass-weighted space span the null space of the projected
  // matrix; a large curvature along them moves them behind every vibration however soft.
  PoolArray<double> q(std::int64_t{m} * ntr);
  for (int a = 0; a < ntr; ++a) {
    double* qa = q.data() + a * m;
    for (int i = 0; i < m; ++i) qa[i] = t[a * m + i] / w[i];
    for (int pass = 0; pass < 2; ++pass)
      for (int b = 0; b < a; ++b) vec_axpy(m, -vec_dot(m, q.data() + b * m, qa), q.data() + b * m, qa);
    vec_scale(m, 1.0 / std::sqrt(vec_dot(m, qa, qa)), qa);
  }
  for (int i = 0; i < m; ++i)
    for (int j = 0; j <= i; ++j) {
      double s = 0;
      for (int a = 0; a < ntr; ++a) s += q[a * m + i] * q[a * m + j];
      h[packed_index(i, j)] += kExternalCurvature * s;
    }
  eigen_local(h.data(), vectors, values, m);
  return ntr;
}

double signed_frequency(double curvature) {
  return curvature < 0 ? -std::sqrt(-curvature) : std::sqrt(curvature);
}

}  // namespace ostrel
