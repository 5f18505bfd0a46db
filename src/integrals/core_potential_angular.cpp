#include "integrals/core_potential_angular.hpp"

#include <cmath>
#include <vector>

#include "integrals/solid_harmonics.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"

namespace ostrel {
namespace {

// Mean of u_x^a u_y^b u_z^c over the sphere: (a-1)!!(b-1)!!(c-1)!! / (a+b+c+1)!!, all even.
double monomial_mean(int a, int b, int c) {
  if ((a | b | c) & 1) return 0.0;
  double v = 1.0;
  for (int k = a - 1; k > 0; k -= 2) v *= k;
  for (int k = b - 1; k > 0; k -= 2) v *= k;
  for (int k = c - 1; k > 0; k -= 2) v *= k;
  for (int k = a + b + c + 1; k > 1; k -= 2) v /= k;
  return v;
}

}  // namespace

void scaled_bessel_i(int n, double z, double* out) {
  if (z <= 30.0) {
    // Positive power series, then the exp(-z) scale.
    const double scale = std::exp(-z);
    const double h = 0.5 * z * z;
    double lead = 1.0;  // z^k / (2k+1)!!
    for (int k = 0; k <= n; ++k) {
      double term = 1.0, sum = 1.0;
      for (int j = 1; j < 500; ++j) {
        term *= h / (j * (2.0 * k + 2.0 * j + 1.0));
        const double next = sum + term;
        if (next == sum) break;
        sum = next;
      }
      out[k] = scale * lead * sum;
      lead *= z / (2.0 * k + 3.0);
    }
    return;
  }
  // Upward recursion is stable for z above the orders used here.
  const double e2 = std::exp(-2.0 * z);
  out[0] = (1.0 - e2) / (2.0 * z);
  if (n == 0) return;
  out[1] = (0.5 * (1.0 + e2) - out[0]) / z;
  for (int k = 1; k < n; ++k) out[k + 1] = out[k - 1] - (2.0 * k + 1.0) / z * out[k];
}

double harmonic_monomial_mean(int lambda, int s, int a, int b, int c) {
  // Cached per (lambda, degree of the monomial).
  constexpr int kDeg = 2 * kCoreAngularMaxOrder;
  static std::vector<std::vector<double>> cache((kCoreAngularMaxOrder + 1) * (kDeg + 1));
  const int d = a + b + c;
  if (lambda > kCoreAngularMaxOrder || d > kDeg)
    fatal_error("\n %d: core-potential angular order %d/%d out of range\n", node_id, lambda, d);
  if (((lambda + d) & 1) || d < 0) return 0.0;
  auto& block = cache[lambda * (kDeg + 1) + d];
  if (block.empty()) {
    const int nc = cartesian_count(d);
    block.assign((2 * lambda + 1) * nc, 0.0);
    for (int q = 0; q <= 2 * lambda; ++q)
      for (int m = 0; m < nc; ++m) {
        const CartesianPowers p = cartesian_powers(d, m);
        double v = 0.0;
        for (const auto& t : solid_harmonic_terms(lambda, q)) {
          const CartesianPowers r = cartesian_powers(lambda, t.cartesian);
          v += t.coefficient * monomial_mean(p.a + r.a, p.b + r.b, p.c + r.c);
        }
        block[q * nc + m] = v;
      }
  }
  return block[s * cartesian_count(d) + cartesian_index(d, a, b, c)];
}

double harmonic_value(int lambda, int s, const double* u) {
  double v = 0.0;
  for (const auto& t : solid_harmonic_terms(lambda, s)) {
    const CartesianPowers p = cartesian_powers(lambda, t.cartesian);
    v += t.coefficient * std::pow(u[0], p.a) * std::pow(u[1], p.b) * std::pow(u[2], p.c);
  }
  return v;
}

}  // namespace ostrel
