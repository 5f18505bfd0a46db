#include "scf/xc/xc_regularise.hpp"

#include <cmath>

namespace ostrel {
namespace {

// Scale of the inner regularisation, relative to the outer one.
constexpr double kInnerScale = 1e-3;

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

// p[0] = ln(e^x - x) for x > 0 and its derivatives p[1..4]; the identity beyond x = 36,
// where the two differ by rounding.
void log_branch(double x, double p[5]) {
  if (x > 36) {
    p[0] = x;
    p[1] = 1;
    p[2] = p[3] = p[4] = 0;
    return;
  }
  // With D = e^x - x, N = e^x - 1 = D', E = e^x / D: p' = N/D, (N/D)' = E - (N/D)^2, E' = E (1 - N/D).
  const double h = exp_tail(x);
  const double d = 1 + h, n = x + h;
  const double e = (1 + n) / d;
  const double g1 = n / d;
  const double g2 = e - g1 * g1;
  const double g3 = e * (1 - g1) - 2 * g1 * g2;
  p[0] = std::log1p(h);
  p[1] = g1;
  p[2] = g2;
  p[3] = g3;
  p[4] = e * (1 - g1) * (1 - g1) - e * g2 - 2 * g2 * g2 - 2 * g1 * g3;
}

}  // namespace

void density_regularise(double rho, double a, double g[5]) {
  g[0] = kDensityFloor;
  g[1] = g[2] = g[3] = g[4] = 0;
  if (!(rho > 0)) return;  // also catches NaN
  // Beyond 36 a the density itself: the floor it leaves out there is 3e-11 of it.
  if (rho > 36 * a) {
    g[0] = rho;
    g[1] = 1;
    return;
  }
  // u = b ln(e^(rho/b) - rho/b) at b = a / 1000 first: rho itself beyond 36 b, and near zero
  // rho^2 / 2b, so that G = a ln(e^(u/a) - u/a) starts as rho^4 and its first three
  // derivatives all vanish at zero. A spin density that crosses zero (a fitted one can) then
  // moves the energy, potential and kernel continuously, also through the gradient terms,
  // which carry G'(rho) and its derivatives.
  const double b = kInnerScale * a;
  double p[5], q[5];
  log_branch(rho / b, p);
  const double u1 = p[1], u2 = p[2] / b, u3 = p[3] / (b * b), u4 = p[4] / (b * b * b);
  log_branch(b * p[0] / a, q);
  const double g1 = q[1], g2 = q[2] / a, g3 = q[3] / (a * a), g4 = q[4] / (a * a * a);
  // Chain rule (Faa di Bruno) through the two.
  g[0] += a * q[0];
  g[1] = g1 * u1;
  g[2] = g2 * u1 * u1 + g1 * u2;
  g[3] = g3 * u1 * u1 * u1 + 3 * g2 * u1 * u2 + g1 * u3;
  g[4] = g4 * u1 * u1 * u1 * u1 + 6 * g3 * u1 * u1 * u2 + 3 * g2 * u2 * u2 + 4 * g2 * u1 * u3 + g1 * u4;
}

}  // namespace ostrel
