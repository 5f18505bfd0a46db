#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "scf/grid/grid_points.hpp"
#include "scf/grid/lebedev.hpp"

namespace ostrel {
namespace {

double radial_integral(int n, double alpha, double (*f)(double, double), double p) {
  double sum = 0.0;
  for (int s = 0; s < n; ++s) {
    const RadialPoint rp = radial_point(n, s, alpha);
    sum += rp.w * rp.r * rp.r * f(rp.r, p);
  }
  return sum;
}

double gaussian(double r, double a) { return std::exp(-a * r * r); }
double slater(double r, double zeta) { return std::exp(-zeta * r); }

TEST(GridRadial, ShellsFollowTheLogarithmicRule) {
  const RadialPoint p = radial_point(3, 1, 5.0);  // x = 1/2
  EXPECT_DOUBLE_EQ(p.r, -5.0 * std::log(1.0 - 0.125));
  EXPECT_DOUBLE_EQ(p.w, 3.0 * 5.0 * 0.25 / (4.0 * 0.875));
  double previous = 0.0;
  for (int s = 0; s < 40; ++s) {  // outward
    const RadialPoint q = radial_point(40, s, 5.0);
    EXPECT_GT(q.r, previous);
    EXPECT_GT(q.w, 0.0);
    previous = q.r;
  }
}

// r^2 exp(-a r^2) over [0, inf) = sqrt(pi) / (4 a^(3/2)); r^2 exp(-zeta r) = 2 / zeta^3.
TEST(GridRadial, IntegratesGaussianAndSlaterRadialFunctionsWithTheDefaultShellCounts) {
  for (int n : {30, 40, 60, 80})
    for (double a : {0.3, 1.0, 3.0, 10.0, 30.0}) {
      const double exact = std::sqrt(std::numbers::pi) / (4.0 * std::pow(a, 1.5));
      EXPECT_NEAR(radial_integral(n, 5.0, gaussian, a) / exact, 1.0, 2e-9) << n << " " << a;
    }
  // Tight cores need the larger counts of heavier elements.
  for (int n : {60, 80}) {
    const double exact = std::sqrt(std::numbers::pi) / (4.0 * std::pow(1000.0, 1.5));
    EXPECT_NEAR(radial_integral(n, 5.0, gaussian, 1000.0) / exact, 1.0, 1e-10);
  }
  for (int n : {30, 40, 60, 80})
    for (double zeta : {2.0, 4.0, 8.0, 16.0})
      EXPECT_NEAR(radial_integral(n, 5.0, slater, zeta) * std::pow(zeta, 3) / 2.0, 1.0, 1e-9)
          << n << " " << zeta;
  // The larger scale of the alkali and alkaline-earth rows reaches further out.
  EXPECT_LT(std::fabs(radial_integral(60, 7.0, slater, 1.0) / 2.0 - 1.0),
            std::fabs(radial_integral(60, 5.0, slater, 1.0) / 2.0 - 1.0));
}

TEST(GridShellPoints, ScaleTurnAndMoveTheRuleAndCarryTheShellWeight) {
  const int n = 110;
  std::vector<double> u(3 * n), wu(n), p(3 * n), w(n);
  ASSERT_EQ(lebedev_points(n, u.data(), wu.data()), n);
  const double c = std::cos(0.7), s = std::sin(0.7);
  const double o[9] = {c, s, 0, -s, c, 0, 0, 0, 1};  // columns: turned x and y axes, z
  const double centre[3] = {1.0, -2.0, 0.5};
  ASSERT_EQ(shell_points(n, p.data(), w.data(), centre, o, 2.5, 0.3), n);
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    const double* ui = &u[3 * i];
    EXPECT_NEAR(p[3 * i] - centre[0], 2.5 * (c * ui[0] - s * ui[1]), 1e-14);
    EXPECT_NEAR(p[3 * i + 1] - centre[1], 2.5 * (s * ui[0] + c * ui[1]), 1e-14);
    EXPECT_NEAR(p[3 * i + 2] - centre[2], 2.5 * ui[2], 1e-14);
    sum += w[i];
  }
  EXPECT_NEAR(sum, 4 * std::numbers::pi * 2.5 * 2.5 * 0.3, 1e-12);
  EXPECT_EQ(shell_points(100, p.data(), w.data(), centre, o, 1.0, 1.0), 0);
}

TEST(GridShellPoints, TheOrderSequenceIsMadeOfExistingRules) {
  for (int k = 0; k < kGridOrderCount; ++k) {
    EXPECT_GE(lebedev_rule_index(kGridOrders[k]), 0);
    if (k) {
      EXPECT_GT(kGridOrders[k], kGridOrders[k - 1]);
    }
  }
  EXPECT_EQ(kGridOrders[kGridOrderCount - 1], 5810);
}

}  // namespace
}  // namespace ostrel
