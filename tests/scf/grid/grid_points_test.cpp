// Lebedev rules, the radial rule and the atomic shells against analytic integrals and the
// symmetry they must have.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "scf/grid/grid_points.hpp"
#include "scf/grid/lebedev.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

// (2a-1)!! (2b-1)!! (2c-1)!! / (2n+1)!!, n = a+b+c: the sphere average of x^2a y^2b z^2c,
// built as a running product so that no factor overflows.
double sphere_average(int a, int b, int c) {
  double value = 1;
  int denominator = 1;
  for (int k : {a, b, c})
    for (int i = 1; i <= k; ++i) {
      value *= double(2 * i - 1) / double(denominator + 2);
      denominator += 2;
    }
  return value;
}

// Every rule: distinct unit vectors closed under the octahedral group (what an orbit expanded
// with a wrong sign or a repeated permutation breaks, unnoticed by the even monomials), and
// even monomials integrated exactly up to the rule's degree.
TEST(Lebedev, RulesAreOctahedralAndExactToTheirDegree) {
  ASSERT_EQ(lebedev_rule_count(), 32);
  EXPECT_EQ(lebedev_rule_index(7), -1);
  for (int k = 0; k < lebedev_rule_count(); ++k) {
    const int n = lebedev_rule_points(k), top = lebedev_rule_degree(k) / 2;
    EXPECT_EQ(lebedev_rule_index(n), k);
    std::vector<double> xyz(3 * n), w(n);
    ASSERT_EQ(lebedev_points(n, xyz.data(), w.data()), n);
    std::vector<std::array<double, 3>> sorted(n);
    auto rounded = [](double x, double y, double z) {
      return std::array<double, 3>{std::round(x * 1e9), std::round(y * 1e9), std::round(z * 1e9)};
    };
    for (int i = 0; i < n; ++i) {
      const double* p = &xyz[3 * i];
      EXPECT_NEAR(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1.0, 2e-15);
      sorted[i] = rounded(p[0], p[1], p[2]);
    }
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << n;
    for (int i = 0; i < n; ++i) {
      const double* p = &xyz[3 * i];
      for (auto q : {rounded(-p[0], p[1], p[2]), rounded(p[1], p[0], p[2]), rounded(p[0], p[2], p[1])})
        EXPECT_TRUE(std::binary_search(sorted.begin(), sorted.end(), q)) << n;
    }
    // pw[(e * 3 + x) * n + i]: coordinate x of point i to the power 2e.
    std::vector<double> pw(3 * (top + 1) * n, 1.0);
    for (int e = 1; e <= top; ++e)
      for (int x = 0; x < 3; ++x)
        for (int i = 0; i < n; ++i)
          pw[(e * 3 + x) * n + i] = pw[((e - 1) * 3 + x) * n + i] * xyz[3 * i + x] * xyz[3 * i + x];
    for (int a = 0; a <= top; ++a)
      for (int b = 0; a + b <= top; ++b)
        for (int c = 0; a + b + c <= top; ++c) {
          const double *px = &pw[3 * a * n], *py = &pw[(3 * b + 1) * n], *pz = &pw[(3 * c + 2) * n];
          double sum = 0;
          for (int i = 0; i < n; ++i) sum += w[i] * px[i] * py[i] * pz[i];
          EXPECT_NEAR(sum, sphere_average(a, b, c), 1e-13) << "rule " << n << " " << a << b << c;
        }
  }
  for (int order : kGridOrders) EXPECT_GE(lebedev_rule_index(order), 0) << order;
  std::vector<double> untouched(3, 7.0), uw(1, 7.0);
  EXPECT_EQ(lebedev_points(300, untouched.data(), uw.data()), 0);
  EXPECT_EQ(untouched[0], 7.0);
}

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

// r^2 exp(-a r^2) over [0, inf) = sqrt(pi) / (4 a^(3/2)); r^2 exp(-zeta r) = 2 / zeta^3.
TEST(GridRadial, IntegratesGaussianAndSlaterRadialFunctionsWithTheDefaultShellCounts) {
  for (int n : {30, 40, 60, 80}) {
    for (double a : {0.3, 1.0, 3.0, 10.0, 30.0}) {
      const double exact = std::sqrt(std::numbers::pi) / (4.0 * std::pow(a, 1.5));
      EXPECT_NEAR(radial_integral(n, 5.0, gaussian, a) / exact, 1.0, 2e-9) << n << " " << a;
    }
    for (double zeta : {2.0, 4.0, 8.0, 16.0})
      EXPECT_NEAR(radial_integral(n, 5.0, slater, zeta) * std::pow(zeta, 3) / 2.0, 1.0, 1e-9) << n;
  }
  // Tight cores need the larger counts of heavier elements.
  for (int n : {60, 80}) {
    const double exact = std::sqrt(std::numbers::pi) / (4.0 * std::pow(1000.0, 1.5));
    EXPECT_NEAR(radial_integral(n, 5.0, gaussian, 1000.0) / exact, 1.0, 1e-10);
  }
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

class GridOrientation : public testing::RuntimeTest {};  // the eigensolver takes pool memory

TEST_F(GridOrientation, IsOrthonormalFollowsTheBondAndIsTheUnitForALoneAtom) {
  double o[9];
  const double lone[3] = {1, 2, 3};
  grid_orientation(0, 1, lone, o);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(o[k], k % 4 == 0 ? 1.0 : 0.0);
  // On the y axis the bond has the largest eigenvalue (0): the last column.
  const double pair[6] = {0, 0, 0, 0, 1.5, 0};
  grid_orientation(0, 2, pair, o);
  EXPECT_NEAR(std::fabs(o[7]), 1.0, 1e-14);
  const double xyz[12] = {0.1, -0.3, 0.2, 1.7, 0.4, -0.2, -0.6, 1.6, 0.9, 0.3, -1.2, 2.4};
  for (int a = 0; a < 4; ++a) {
    grid_orientation(a, 4, xyz, o);
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        EXPECT_NEAR(o[3 * i] * o[3 * j] + o[3 * i + 1] * o[3 * j + 1] + o[3 * i + 2] * o[3 * j + 2],
                    i == j ? 1.0 : 0.0, 1e-13);
  }
}

TEST(GridShellPoints, NeighbourListsKeepTheAtomAndDropAtomsOutOfReach) {
  const double xyz[9] = {0, 0, 0, 0, 0, 3.0, 0, 0, 10.0};
  const double extent2[3] = {4.0, 4.0, 1.0};
  int list[3], self = -1;
  // Radius 0.5 around atom 1: atom 0 at gap 2.5 (2.5^2 > 4), atom 2 at gap 6.5.
  EXPECT_EQ(shell_neighbours(1, 0.5, 3, xyz, extent2, list, &self), 1);
  EXPECT_EQ(list[self], 1);
  // Radius 2: atom 0 at gap 1 is listed; radius 8: atom 2 inside the shell (gap < 0).
  EXPECT_EQ(shell_neighbours(1, 2.0, 3, xyz, extent2, list, &self), 2);
  EXPECT_EQ(list[0], 0);
  EXPECT_EQ(self, 1);
  EXPECT_EQ(shell_neighbours(1, 8.0, 3, xyz, extent2, list, &self), 3);
}

}  // namespace
}  // namespace ostrel
