#include "scf/xc/xc_regularise.hpp"

#include <cmath>

namespace ostrel {
namespace {

// e^x - 1 - x without the cancellation of the closed form at small x.
double exp_tail(double x) {
  if (x >= 0.5) return std::expm1(x) - x;
  double term = x * x / 2, sum = 0;
  for (int n = 3; n <= 24; ++n) {  // 0.5^24 / 24! is far below the rounding of the sum
    sum += term;
    term *= x / n;
  }
  return sum;
}

void set_floor(double g[5]) {
  g[0] = kDensityFloor;
  g[1] = g[2] = g[3] = g[4] = 0;
}

}  // namespace

void density_regularise(double rho, double a, double g[5]) {
  if (!(rho >= kDensityFloor)) return set_floor(g);  // also catches NaN
  const double x = rho / a;
  if (x <= 0.001) {
    g[0] = 0.5 * rho * x;
    g[1] = x;
    g[2] = 1 / a;
    g[3] = g[4] = 0;
  } else if (x <= 36) {
    // With D = e^x - x, N = e^x - 1 = D', E = e^x / D: G' = N/D, (N/D)' = E - (N/D)^2, E' = E (1 - N/D).
    const double h = exp_tail(x);
    const double d = 1 + h, n = x + h;
    const double e = (1 + n) / d;
    const double g1 = n / d;
    const double g2 = e - g1 * g1;
    const double g3 = e * (1 - g1) - 2 * g1 * g2;
    const double g4 = e * (1 - g1) * (1 - g1) - e * g2 - 2 * g2 * g2 - 2 * g1 * g3;
    g[0] = a * std::log1p(h);
    g[1] = g1;
    g[2] = g2 / a;
    g[3] = g3 / (a * a);
    g[4] = g4 / (a * a * a);
  } else {
    g[0] = rho;
    g[1] = 1;
    g[2] = g[3] = g[4] = 0;
  }
  if (g[0] < kDensityFloor) set_floor(g);
}

}  // namespace ostrel
