#include "integrals/solid_harmonics.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

namespace ostrel {
namespace {

// Mean of x^a y^b z^c over the unit sphere (zero unless all powers are even).
double sphere_mean(int a, int b, int c) {
  if (a % 2 || b % 2 || c % 2) return 0.0;
  return 0.5 * std::tgamma(0.5 * (a + 1)) * std::tgamma(0.5 * (b + 1)) * std::tgamma(0.5 * (c + 1)) /
         std::tgamma(0.5 * (a + b + c + 3)) / M_PI;
}

double value_at(int l, int s, double x, double y, double z) {
  double v = 0.0;
  for (const auto& t : solid_harmonic_terms(l, s)) {
    const auto p = cartesian_powers(l, t.cartesian);
    v += t.coefficient * std::pow(x, p.a) * std::pow(y, p.b) * std::pow(z, p.c);
  }
  return v;
}

TEST(SolidHarmonics, CartesianOrderingRoundTrips) {
  for (int l = 0; l <= 8; ++l) {
    EXPECT_EQ(cartesian_powers(l, 0).a, l);
    for (int i = 0; i < cartesian_count(l); ++i) {
      const auto p = cartesian_powers(l, i);
      EXPECT_EQ(p.a + p.b + p.c, l);
      EXPECT_EQ(cartesian_index(l, p.a, p.b, p.c), i);
    }
  }
  const auto d3 = cartesian_powers(2, 3);  // yy
  EXPECT_EQ(d3.b, 2);
}

TEST(SolidHarmonics, OrthonormalOverTheSphereUpToL10) {
  for (int l = 0; l <= 10; ++l)
    for (int s = 0; s <= 2 * l; ++s)
      for (int q = 0; q <= s; ++q) {
        double mean = 0.0;
        for (const auto& u : solid_harmonic_terms(l, s))
          for (const auto& v : solid_harmonic_terms(l, q)) {
            const auto p = cartesian_powers(l, u.cartesian), r = cartesian_powers(l, v.cartesian);
            mean += u.coefficient * v.coefficient * sphere_mean(p.a + r.a, p.b + r.b, p.c + r.c);
          }
        EXPECT_NEAR(mean, s == q ? 1.0 : 0.0, 1e-12) << l << " " << s << " " << q;
      }
}

TEST(SolidHarmonics, HarmonicPolynomialsUpToL21) {
  // The Laplacian of each component vanishes: collect the coefficients of the Laplacian.
  for (int l = 2; l <= 21; l += 3)
    for (int s = 0; s <= 2 * l; ++s) {
      std::map<int, double> lap;
      double scale = 0.0;
      for (const auto& t : solid_harmonic_terms(l, s)) {
        const auto p = cartesian_powers(l, t.cartesian);
        scale = std::max(scale, std::fabs(t.coefficient));
        if (p.a >= 2) lap[cartesian_index(l - 2, p.a - 2, p.b, p.c)] += t.coefficient * p.a * (p.a - 1);
        if (p.b >= 2) lap[cartesian_index(l - 2, p.a, p.b - 2, p.c)] += t.coefficient * p.b * (p.b - 1);
        if (p.c >= 2) lap[cartesian_index(l - 2, p.a, p.b, p.c - 2)] += t.coefficient * p.c * (p.c - 1);
      }
      for (const auto& [k, v] : lap) EXPECT_NEAR(v / scale, 0.0, 1e-11) << l << " " << s << " " << k;
    }
}

TEST(SolidHarmonics, LowOrdersHaveTheChosenOrderAndPhase) {
  const double x = 0.3, y = -0.7, z = 1.1;
  const double r3 = std::sqrt(3.0);
  EXPECT_NEAR(value_at(0, 0, x, y, z), 1.0, 1e-15);
  EXPECT_NEAR(value_at(1, 0, x, y, z), r3 * z, 1e-15);
  EXPECT_NEAR(value_at(1, 1, x, y, z), r3 * x, 1e-15);
  EXPECT_NEAR(value_at(1, 2, x, y, z), r3 * y, 1e-15);
  const double r5 = std::sqrt(5.0), r15 = std::sqrt(15.0);
  EXPECT_NEAR(value_at(2, 0, x, y, z), r5 * (z * z - 0.5 * (x * x + y * y)), 1e-14);
  EXPECT_NEAR(value_at(2, 1, x, y, z), r15 * x * z, 1e-14);
  EXPECT_NEAR(value_at(2, 2, x, y, z), r15 * y * z, 1e-14);
  EXPECT_NEAR(value_at(2, 3, x, y, z), 0.5 * r15 * (x * x - y * y), 1e-14);
  EXPECT_NEAR(value_at(2, 4, x, y, z), r15 * x * y, 1e-14);
  // f(+3) ~ x^3 - 3xy^2 and f(-3) ~ 3x^2y - y^3 with positive leading terms
  const double n3 = std::sqrt(35.0 / 8.0);
  EXPECT_NEAR(value_at(3, 5, x, y, z), n3 * (x * x * x - 3 * x * y * y), 1e-14);
  EXPECT_NEAR(value_at(3, 6, x, y, z), n3 * (3 * x * x * y - y * y * y), 1e-14);
}

TEST(SolidHarmonics, PairTransformActsOnBothSides) {
  const int lb = 2, la = 3;
  const int nb = cartesian_count(lb), na = cartesian_count(la);
  std::vector<double> cart(nb * na), sph((2 * lb + 1) * (2 * la + 1));
  for (int i = 0; i < nb * na; ++i) cart[i] = std::sin(1.0 + 0.37 * i);
  cartesian_to_spherical_pair(lb, la, cart.data(), sph.data());
  for (int sb = 0; sb <= 2 * lb; ++sb)
    for (int sa = 0; sa <= 2 * la; ++sa) {
      double ref = 0.0;
      for (const auto& u : solid_harmonic_terms(lb, sb))
        for (const auto& v : solid_harmonic_terms(la, sa))
          ref += u.coefficient * v.coefficient * cart[u.cartesian * na + v.cartesian];
      EXPECT_NEAR(sph[sb * (2 * la + 1) + sa], ref, 1e-14);
    }
}

}  // namespace
}  // namespace ostrel
