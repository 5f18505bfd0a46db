#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "scf/grid/lebedev.hpp"

namespace ostrel {
namespace {

struct Rule {
  std::vector<double> x, y, z, w;
};

Rule fill(int k) {
  const int n = lebedev_rule_points(k);
  Rule r{std::vector<double>(n), std::vector<double>(n), std::vector<double>(n),
         std::vector<double>(n)};
  lebedev_rule_fill(k, r.x.data(), r.y.data(), r.z.data(), r.w.data());
  return r;
}

// (2a-1)!! (2b-1)!! (2c-1)!! / (2n+1)!!, n = a+b+c: the sphere average of x^2a y^2b z^2c,
// built as a running product so that no factor overflows.
double sphere_average(int a, int b, int c) {
  std::array<int, 3> e{a, b, c};
  std::sort(e.begin(), e.end());
  double value = 1;
  int denominator = 1;  // next odd factor of (2n+1)!!
  for (int k : e)
    for (int i = 1; i <= k; ++i) {
      value *= double(2 * i - 1) / double(denominator + 2);
      denominator += 2;
    }
  return value;  // the leading 1 of (2n+1)!! divides nothing
}

TEST(Lebedev, HasTheThirtyTwoRulesWithTheirSizesAndDegrees) {
  const int points[] = {6,    14,   26,   38,   50,   74,   86,   110,  146,  170,  194,
                        230,  266,  302,  350,  434,  590,  770,  974,  1202, 1454, 1730,
                        2030, 2354, 2702, 3074, 3470, 3890, 4334, 4802, 5294, 5810};
  const int degrees[] = {3,  5,  7,  9,  11, 13, 15, 17,  19,  21,  23,  25,  27,  29,  31,  35,
                         41, 47, 53, 59, 65, 71, 77, 83, 89, 95, 101, 107, 113, 119, 125, 131};
  ASSERT_EQ(lebedev_rule_count(), 32);
  for (int k = 0; k < 32; ++k) {
    EXPECT_EQ(lebedev_rule_points(k), points[k]);
    EXPECT_EQ(lebedev_rule_degree(k), degrees[k]);
    EXPECT_EQ(lebedev_rule_index(points[k]), k);
  }
  EXPECT_EQ(lebedev_rule_index(7), -1);
}

// Each rule is a set of distinct unit vectors closed under the octahedral group; this is what
// an orbit expanded with a wrong sign or a repeated permutation would break, even though the
// even monomials below would not notice.
TEST(Lebedev, PointsAreDistinctUnitVectorsClosedUnderTheOctahedralGroup) {
  for (int k = 0; k < lebedev_rule_count(); ++k) {
    const Rule r = fill(k);
    const int n = lebedev_rule_points(k);
    std::vector<std::array<double, 4>> p(n);
    for (int i = 0; i < n; ++i) {
      p[i] = {r.x[i], r.y[i], r.z[i], r.w[i]};
      EXPECT_NEAR(r.x[i] * r.x[i] + r.y[i] * r.y[i] + r.z[i] * r.z[i], 1.0, 2e-15);
    }
    auto rounded = [](std::array<double, 4> q) {
      for (double& v : q) v = std::round(v * 1e9) / 1e9;
      return q;
    };
    std::vector<std::array<double, 4>> sorted;
    for (auto& q : p) sorted.push_back(rounded(q));
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end(),
                                 [](auto& a, auto& b) {
                                   return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
                                 }) -
                  sorted.begin(),
              n)
        << "repeated point in rule " << n;
    auto present = [&](std::array<double, 4> q) {
      return std::binary_search(sorted.begin(), sorted.end(), rounded(q));
    };
    for (auto& q : p) {
      EXPECT_TRUE(present({-q[0], q[1], q[2], q[3]})) << n;
      EXPECT_TRUE(present({q[1], q[0], q[2], q[3]})) << n;
      EXPECT_TRUE(present({q[0], q[2], q[1], q[3]})) << n;
    }
  }
}

TEST(Lebedev, EveryRuleIntegratesEvenMonomialsUpToItsDegreeExactly) {
  double worst_absolute = 0, worst_relative = 0;
  for (int k = 0; k < lebedev_rule_count(); ++k) {
    const Rule r = fill(k);
    const int n = lebedev_rule_points(k), degree = lebedev_rule_degree(k);
    const int top = degree / 2;
    std::vector<double> px(n * (top + 1)), py(n * (top + 1)), pz(n * (top + 1));
    for (int i = 0; i < n; ++i) {
      px[i] = py[i] = pz[i] = 1;
      for (int e = 1; e <= top; ++e) {
        px[e * n + i] = px[(e - 1) * n + i] * r.x[i] * r.x[i];
        py[e * n + i] = py[(e - 1) * n + i] * r.y[i] * r.y[i];
        pz[e * n + i] = pz[(e - 1) * n + i] * r.z[i] * r.z[i];
      }
    }
    for (int a = 0; a <= top; ++a)
      for (int b = 0; a + b <= top; ++b)
        for (int c = 0; a + b + c <= top; ++c) {
          double sum = 0, scale = 0;
          for (int i = 0; i < n; ++i) {
            const double term = r.w[i] * px[a * n + i] * py[b * n + i] * pz[c * n + i];
            sum += term;
            scale += std::fabs(term);
          }
          const double error = std::fabs(sum - sphere_average(a, b, c));
          EXPECT_LE(error, 1e-13) << "rule " << n << " monomial " << a << b << c;
          worst_absolute = std::max(worst_absolute, error);
          worst_relative = std::max(worst_relative, error / scale);
        }
  }
  EXPECT_LE(worst_relative, 1e-12);
  std::printf("largest error %.2e absolute, %.2e relative to sum |w m|\n", worst_absolute,
              worst_relative);
}

TEST(Lebedev, InterleavedPointsMatchThePlanesAndUnknownSizesGiveNothing) {
  const int k = lebedev_rule_index(302);
  const Rule r = fill(k);
  std::vector<double> xyz(3 * 302), w(302);
  ASSERT_EQ(lebedev_points(302, xyz.data(), w.data()), 302);
  for (int i = 0; i < 302; ++i) {
    EXPECT_EQ(xyz[3 * i], r.x[i]);
    EXPECT_EQ(xyz[3 * i + 1], r.y[i]);
    EXPECT_EQ(xyz[3 * i + 2], r.z[i]);
    EXPECT_EQ(w[i], r.w[i]);
  }
  std::vector<double> untouched(3, 7.0), uw(1, 7.0);
  EXPECT_EQ(lebedev_points(300, untouched.data(), uw.data()), 0);
  EXPECT_EQ(untouched[0], 7.0);
  EXPECT_EQ(uw[0], 7.0);
}

}  // namespace
}  // namespace ostrel
