#include "integrals/boys.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/fatal_trap.hpp"

namespace ostrel {
namespace {

// F_m(T) from the positive series exp(-T)/2 sum_k T^k / ((m+1/2)...(m+k+1/2)) in long double:
// no cancellation, so it is a sound reference for every T used here.
long double boys_series(int m, long double t) {
  long double term = 1.0L / (m + 0.5L);
  long double sum = term;
  for (int k = 1; k < 100000; ++k) {
    term *= t / (m + k + 0.5L);
    const long double next = sum + term;
    if (next == sum) break;
    sum = next;
  }
  return 0.5L * std::exp(-t) * sum;
}

double worst_t = 0.0;  // where the last worst_relative_error call peaked, for failure messages
int worst_k = 0;

double worst_relative_error(int m, const std::vector<double>& points) {
  double worst = 0.0;
  std::vector<double> f(m + 1);
  for (double t : points) {
    boys_function(m, t, f.data());
    for (int k = 0; k <= m; ++k) {
      const long double ref = boys_series(k, t);
      const double err = static_cast<double>(std::fabs((f[k] - ref) / ref));
      if (err > worst) {
        worst = err;
        worst_t = t;
        worst_k = k;
      }
    }
  }
  return worst;
}

std::vector<double> sample_points(double hi, int n) {
  std::vector<double> t;
  for (int i = 0; i <= n; ++i) t.push_back(hi * i / n + 1e-3 * std::sin(i));  // off the grid
  t[0] = 0.0;
  for (int k = 1; k < 35; ++k) {  // interval edges, both sides
    t.push_back(0.1 * k * k - 1e-9);
    t.push_back(0.1 * k * k + 1e-9);
  }
  return t;
}

TEST(BoysFunction, MatchesSeriesForTheOrdersOfOneElectronWork) {
  // Order 11 covers L = 5 on both centres plus a derivative order; 14 two more. The
  // closed form above T = 2m + 36 drops exp(-T) terms of relative size ~2e-14.
  const auto points = sample_points(130.0, 2600);
  for (int m : {0, 1, 2, 4, 8, 11})
    EXPECT_LT(worst_relative_error(m, points), 2.5e-14) << m << " at T=" << worst_t << " order " << worst_k;
}

TEST(BoysFunction, HighOrdersStayAccurate) {
  const auto points = sample_points(140.0, 1400);
  EXPECT_LT(worst_relative_error(14, points), 5e-14);
  EXPECT_LT(worst_relative_error(20, points), 3e-13);
  for (int m : {30, 40})
    EXPECT_LT(worst_relative_error(m, points), 3e-11) << m << " at T=" << worst_t << " order " << worst_k;
}

TEST(BoysFunction, AsymptoticBranchAndLargeArguments) {
  // Just below and above the switch T = 2m + 36, and far out.
  for (int m : {0, 3, 12}) {
    const double sw = 2.0 * m + 36.0;
    EXPECT_LT(worst_relative_error(m, {sw - 1e-6, sw, sw + 1e-6, 500.0, 1e4}), 3e-14)
        << m << " at T=" << worst_t << " order " << worst_k;
  }
  double f[1];
  boys_function(0, 1e6, f);
  EXPECT_NEAR(f[0], std::sqrt(M_PI / 4e6), 1e-18);
}

TEST(BoysFunction, ClosedFormsAtZeroAndForOrderZero) {
  double f[41];
  boys_function(40, 0.0, f);
  for (int k = 0; k <= 40; ++k) EXPECT_NEAR(f[k], 1.0 / (2 * k + 1), 1e-16) << k;
  for (double t : {1e-8, 0.3, 2.5, 17.0, 35.9}) {
    boys_function(0, t, f);
    const double exact = 0.5 * std::sqrt(M_PI / t) * std::erf(std::sqrt(t));
    EXPECT_NEAR(f[0] / exact, 1.0, 2e-15) << t;
  }
}

TEST(BoysFunction, ScaledValuesCarryScaleTimesPower) {
  double plain[6], scaled[6];
  boys_function(5, 3.7, plain);
  boys_function_scaled(5, 3.7, -0.25, -2.0 * 1.3, scaled);
  for (int k = 0; k <= 5; ++k) EXPECT_NEAR(scaled[k], -0.25 * std::pow(-2.6, k) * plain[k], 1e-15) << k;
}

TEST(BoysFunction, RejectsOrdersBeyondTheTables) {
  double f[42];
  EXPECT_FATAL(boys_function(41, 1.0, f), "Boys function order 41");
}

}  // namespace
}  // namespace ostrel
