#include "geometry/paths/mass_weighting.hpp"

#include <cmath>

#include "linalg/vector_ops.hpp"
#include "model/units.hpp"

namespace ostrel {

void coordinate_mass_roots(int n_atoms, const double* mass, double* root) {
  for (int a = 0; a < n_atoms; ++a)
    for (int c = 0; c < 3; ++c) root[3 * a + c] = std::sqrt(mass[a]);
}

void mass_weight_vector(int m, const double* root, int power, const double* x, double* y) {
  for (int i = 0; i < m; ++i) y[i] = power > 0 ? x[i] * root[i] : x[i] / root[i];
}

void mass_weight_packed(int m, const double* root, int power, double* h) {
  for (int i = 0; i < m; ++i)
    for (int j = 0; j <= i; ++j) {
      const double f = root[i] * root[j];
      h[packed_index(i, j)] = power > 0 ? h[packed_index(i, j)] * f : h[packed_index(i, j)] / f;
    }
}

double curvature_wavenumber(double c) {
  // The hydrogen mass of the table turns amu into the electron-mass unit of the curvature.
  constexpr double kHydrogenMass = 1.007825, kProtonElectronRatio = 1836.11;
  return std::sqrt(std::fabs(c * kHydrogenMass / kProtonElectronRatio)) * kWavenumbersPerHartree;
}

}  // namespace ostrel
