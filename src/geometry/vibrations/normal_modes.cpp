#include "geometry/vibrations/normal_modes.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "geometry/step_tools.hpp"
#include "geometry/vibrations/vibration_constants.hpp"
#include "linalg/vector_ops.hpp"
#include "model/molecule_record.hpp"
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

void principal_moments(const Molecule& mol, double* moments) {
  double total = 0, centre[3] = {0, 0, 0};
  for (int a = 0; a < mol.n_atoms; ++a) {
    total += mol.mass[a];
    for (int d = 0; d < 3; ++d) centre[d] += mol.mass[a] * mol.xyz[3 * a + d];
  }
  for (double& c : centre) c /= total;
  double t[3][3] = {};
  for (int a = 0; a < mol.n_atoms; ++a) {
    const double r[3] = {mol.xyz[3 * a] - centre[0], mol.xyz[3 * a + 1] - centre[1], mol.xyz[3 * a + 2] - centre[2]};
    const double r2 = r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) t[i][j] += mol.mass[a] * ((i == j ? r2 : 0.0) - r[i] * r[j]);
  }
  std::printf("\n Tensor of Inertia (amu*bohr*bohr)");
  for (auto& row : t) std::printf("\n %10.4lf %10.4lf %10.4lf", row[0], row[1], row[2]);
  double packed[6] = {t[0][0], t[1][0], t[1][1], t[2][0], t[2][1], t[2][2]}, vectors[9];
  eigen_local(packed, vectors, moments, 3);
  std::printf("\n         Principal Moments\n %10.4lf %10.4lf %10.4lf\n", moments[0], moments[1], moments[2]);
}

double signed_frequency(double curvature) {
  return curvature < 0 ? -std::sqrt(-curvature) : std::sqrt(curvature);
}

}  // namespace ostrel
