#include "geometry/vibrations/oscillator_levels.hpp"

#include <cmath>
#include <cstdio>

#include "geometry/step_tools.hpp"
#include "linalg/vector_ops.hpp"
#include "model/matrix_print.hpp"
#include "model/units.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

// Slope of the spline at the left (end 0) or right (end 1) knot.
double end_slope(int n, const double* x, const double* y, const double* m, int end) {
  const int i = end == 0 ? 0 : n - 2;
  const double h = x[i + 1] - x[i], s = (y[i + 1] - y[i]) / h;
  return end == 0 ? s - h * (2 * m[i] + m[i + 1]) / 6 : s + h * (m[i] + 2 * m[i + 1]) / 6;
}

// Row i (1..n-2) of the system h_{i-1} m_{i-1} + 2(h_{i-1} + h_i) m_i + h_i m_{i+1} = rhs,
// with the end curvatures eliminated through the not-a-knot conditions in the first and
// last row.
struct Row {
  double sub, diag, super, rhs;
};
Row row(int n, const double* x, const double* y, int i) {
  const double a = x[i] - x[i - 1], b = x[i + 1] - x[i];
  Row r{a, 2 * (a + b), b, 6 * ((y[i + 1] - y[i]) / b - (y[i] - y[i - 1]) / a)};
  if (i == 1) {  // m_0 = m_1 + a (m_1 - m_2) / b
    r.sub = 0;
    r.diag = (a + b) * (a + 2 * b) / b;
    r.super = (b * b - a * a) / b;
  }
  if (i == n - 2) {  // m_{n-1} = m_{n-2} + b (m_{n-2} - m_{n-3}) / a
    r.sub = (a * a - b * b) / a;
    r.diag = (a + b) * (2 * a + b) / a;
    r.super = 0;
  }
  return r;
}

}  // namespace

void spline_curvatures(int n, const double* x, const double* y, double* m, double* work) {
  if (n < 4) {
    // A line, or the parabola through three points.
    double c = 0;
    if (n == 3) c = 2 * ((y[2] - y[1]) / (x[2] - x[1]) - (y[1] - y[0]) / (x[1] - x[0])) / (x[2] - x[0]);
    for (int i = 0; i < n; ++i) m[i] = c;
    return;
  }
  // Forward elimination of the tridiagonal rows 1..n-2, then back substitution.
  double* super = work;
  for (int i = 1; i <= n - 2; ++i) {
    const Row r = row(n, x, y, i);
    const double prev_super = i > 1 ? super[i - 1] : 0, prev_m = i > 1 ? m[i - 1] : 0;
    const double diag = r.diag - r.sub * prev_super;
    super[i] = r.super / diag;
    m[i] = (r.rhs - r.sub * prev_m) / diag;
  }
  for (int i = n - 3; i >= 1; --i) m[i] -= super[i] * m[i + 1];
  const double h0 = x[1] - x[0], h1 = x[2] - x[1], g0 = x[n - 2] - x[n - 3], g1 = x[n - 1] - x[n - 2];
  m[0] = m[1] + h0 * (m[1] - m[2]) / h1;
  m[n - 1] = m[n - 2] + g1 * (m[n - 2] - m[n - 3]) / g0;
}

double spline_value(int n, const double* x, const double* y, const double* m, double t) {
  if (t <= x[0]) return y[0] + (t - x[0]) * end_slope(n, x, y, m, 0);
  if (t >= x[n - 1]) return y[n - 1] + (t - x[n - 1]) * end_slope(n, x, y, m, 1);
  int i = 0;
  while (t > x[i + 1]) ++i;
  const double h = x[i + 1] - x[i], a = (x[i + 1] - t) / h, b = (t - x[i]) / h;
  return a * y[i] + b * y[i + 1] + ((a * a * a - a) * m[i] + (b * b * b - b) * m[i + 1]) * h * h / 6;
}

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
    // A well that rises on both sides is splined as sign(x) sqrt(V): a harmonic well turns
    // into a line and a Morse well into one exponential, which cubic pieces follow far
    // better than its square where the scan is coarse (a steep wall holds only a few
    // points). A potential that dips below the reference is splined as it is.
    bool rooted = true;
    for (int i = 0; i < n_points; ++i) rooted = rooted && vs[i] >= 0;
    PoolArray<double> y(n_points), m(n_points), work(n_points);
    for (int i = 0; i < n_points; ++i) y[i] = rooted ? std::copysign(std::sqrt(vs[i]), xs[i]) : vs[i];
    spline_curvatures(n_points, xs, y.data(), m.data(), work.data());
    for (int i = 0; i < kGrid; ++i) {
      x[i] = (2 * i + 1 - kGrid) * kGridHalfWidth * u / (kGrid - 1);
      const double t = spline_value(n_points, xs, y.data(), m.data(), x[i]);
      v[i] = rooted ? t * t : t;
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
