#include "geometry/vibrations/oscillator_levels.hpp"

#include <cmath>
#include <cstdio>

#include "geometry/step_tools.hpp"
#include "geometry/vibrations/cubic_spline.hpp"
#include "linalg/vector_ops.hpp"
#include "model/matrix_print.hpp"
#include "model/text_plot.hpp"
#include "model/units.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

constexpr int kBasis = kOscillatorFunctions;
constexpr int kGrid = kPotentialGridPoints;
// The grid spans +-8 oscillator lengths, well beyond the turning point of the highest function.
constexpr double kGridHalfWidth = 8.0;

// The normalised oscillator functions phi_k(x) = N_k H_k(a x) exp(-(a x)^2 / 2), k < kBasis.
void oscillator_functions(double a, double x, double* phi) {
  const double y = a * x, g = std::exp(-0.5 * y * y);
  double norm = std::sqrt(a / std::sqrt(kPi)), h_prev = 0, h = 1;
  for (int k = 0; k < kBasis; ++k) {
    if (k > 0) {
      norm *= std::sqrt(0.5 / k);
      const double next = 2 * y * h - 2 * (k - 1) * h_prev;
      h_prev = h;
      h = next;
    }
    phi[k] = norm * h * g;
  }
}

}  // namespace

void anharmonic_levels(double omega, int n_points, const double* xs, const double* vs, double* levels) {
  const double u = 1.0 / std::sqrt(omega), a = std::sqrt(omega);
  double x[kGrid], v[kGrid];
  {
    PoolArray<double> m(n_points), work(n_points);
    spline_curvatures(n_points, xs, vs, m.data(), work.data());
    for (int i = 0; i < kGrid; ++i) {
      x[i] = (2 * i + 1 - kGrid) * kGridHalfWidth * u / (kGrid - 1);
      v[i] = spline_value(n_points, xs, vs, m.data(), x[i]);
    }
  }
  std::printf("x,v:\n");
  for (int i = 0; i < kGrid; ++i) std::printf(" %12.6lf %14.8lf\n", x[i], v[i]);
  print_text_plot(x, v, kGrid);

  // Potential by quadrature (half the neighbour distance as weight), kinetic energy exact.
  double h[kBasis * kBasis] = {}, phi[kBasis];
  for (int i = 0; i < kGrid; ++i) {
    const double weight = 0.5 * (x[i == kGrid - 1 ? i : i + 1] - x[i == 0 ? 0 : i - 1]);
    oscillator_functions(a, x[i], phi);
    for (int k = 0; k < kBasis; ++k)
      for (int l = 0; l < kBasis; ++l) h[k * kBasis + l] += weight * v[i] * phi[k] * phi[l];
  }
  for (int k = 0; k < kBasis; ++k) {
    h[k * kBasis + k] += (0.5 * k + 0.25) * omega;
    if (k >= 2) {
      const double t = -std::sqrt(static_cast<double>(k * (k - 1))) * omega / 4;
      h[k * kBasis + k - 2] += t;
      h[(k - 2) * kBasis + k] += t;
    }
  }
  std::printf("H:\n");
  print_matrix(h, nullptr, kBasis, kBasis);

  double packed[kBasis * (kBasis + 1) / 2], vectors[kBasis * kBasis];
  for (int k = 0; k < kBasis; ++k)
    for (int l = 0; l <= k; ++l) packed[packed_index(k, l)] = h[k * kBasis + l];
  eigen_local(packed, vectors, levels, kBasis);
  std::printf("e:\n");
  for (int n = 0; n < kPrintedLevels; ++n) std::printf(" %14.8lf", levels[n]);
  std::printf("\nC:\n");
  print_matrix(vectors, levels, kBasis, kPrintedLevels);
  for (int n = 0; n < kPrintedLevels; ++n)
    std::printf(" %2d: e = %8.2lf (%8.2lf)\n", n, levels[n] * kWavenumbersPerHartree,
                (n + 0.5) * omega * kWavenumbersPerHartree);
}

}  // namespace ostrel
