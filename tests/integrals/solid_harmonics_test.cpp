// Spherical components beyond the g functions of the Psi4 comparisons: orthonormal over the
// sphere and harmonic (order and phase up to g are pinned by those comparisons).
#include "integrals/solid_harmonics.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace ostrel {
namespace {

// Mean of x^a y^b z^c over the unit sphere (zero unless all powers are even).
double sphere_mean(int a, int b, int c) {
  if (a % 2 || b % 2 || c % 2) return 0.0;
  return 0.5 * std::tgamma(0.5 * (a + 1)) * std::tgamma(0.5 * (b + 1)) * std::tgamma(0.5 * (c + 1)) /
         std::tgamma(0.5 * (a + b + c + 3)) / M_PI;
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

}  // namespace
}  // namespace ostrel
