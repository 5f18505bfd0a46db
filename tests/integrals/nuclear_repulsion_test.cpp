#include "integrals/one_electron_driver.hpp"

#include <vector>

#include "support/fatal_trap.hpp"

namespace ostrel {
namespace {

const std::vector<double> kXyz = {0.1, -0.2, 0.05, 1.5, 1.1, -0.3, -1.6, 0.9, 0.4, 0.3, -2.0, 1.2};
const std::vector<double> kZ = {8.0, 1.0, 1.0, 6.0};

TEST(NuclearRepulsion, EnergyOfTwoChargesAndGhosts) {
  const double xyz[9] = {0, 0, 0, 0, 0, 2.5, 0, 0, 2.5};
  const double z[3] = {3.0, 2.0, 0.0};  // a ghost on top of the second atom
  EXPECT_DOUBLE_EQ(nuclear_repulsion(3, xyz, z, nullptr, nullptr), 6.0 / 2.5);
  const double both[3] = {3.0, 2.0, 1.0};
  EXPECT_FATAL(nuclear_repulsion(3, xyz, both, nullptr, nullptr), "atoms 2 and 3 coincide");
}

TEST(NuclearRepulsion, GradientAndHessianMatchFiniteDifferences) {
  const int n3 = static_cast<int>(kXyz.size());
  std::vector<double> g(n3), hess(n3 * (n3 + 1) / 2);
  nuclear_repulsion(4, kXyz.data(), kZ.data(), g.data(), hess.data());
  const double h = 1e-4;
  for (int c = 0; c < n3; ++c) {
    std::vector<double> p = kXyz, m = kXyz, gp(n3), gm(n3);
    p[c] += h;
    m[c] -= h;
    const double ep = nuclear_repulsion(4, p.data(), kZ.data(), gp.data(), nullptr);
    const double em = nuclear_repulsion(4, m.data(), kZ.data(), gm.data(), nullptr);
    EXPECT_NEAR(g[c], (ep - em) / (2 * h), 1e-7) << c;
    for (int r = 0; r < n3; ++r) {
      const double fd = (gp[r] - gm[r]) / (2 * h);
      const double an = r >= c ? hess[r * (r + 1) / 2 + c] : hess[c * (c + 1) / 2 + r];
      EXPECT_NEAR(an, fd, 1e-6) << r << " " << c;
    }
  }
  double d[3];
  nuclear_dipole(4, kXyz.data(), kZ.data(), d);
  EXPECT_NEAR(d[0], 0.8 + 1.5 - 1.6 + 1.8, 1e-14);
}

}  // namespace
}  // namespace ostrel
