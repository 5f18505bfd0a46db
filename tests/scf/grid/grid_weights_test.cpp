// The stockholder partition against its definition and the molecular weights against
// analytic integrals.
#include <random>

#include "scf/grid/grid_test_system.hpp"
#include "support/matrices.hpp"

namespace ostrel {
namespace {

using testing::GridTestSystem;
using testing::make_grid;
using testing::make_system;

class GridWeights : public testing::RuntimeTest {};

double distance(const double* p, const double* c) {
  return std::sqrt((p[0] - c[0]) * (p[0] - c[0]) + (p[1] - c[1]) * (p[1] - c[1]) + (p[2] - c[2]) * (p[2] - c[2]));
}

const std::vector<std::vector<std::vector<double>>> kMolecules = {
    {{1, 0, 0, 0}, {1, 0, 0, 1.4}},
    testing::kWater,
    {{7, 0, 0, 0.2}, {1, 0, 1.77, -0.51}, {1, 1.53, -0.885, -0.51}, {1, -1.53, -0.885, -0.51}},
    {{6, 0, 0, 0}, {1, 1.19, 1.19, 1.19}, {1, -1.19, -1.19, 1.19}, {1, -1.19, 1.19, -1.19},
     {1, 1.19, -1.19, -1.19}},
};

TEST_F(GridWeights, PartitionWeightsOfAllAtomsSumToOneAtEveryPoint) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-4.0, 4.0);
  for (const auto& atoms : kMolecules) {
    GridTestSystem t = make_system(atoms, true);
    GridScreen none = grid_screen(t.set, 0.0), cut = grid_screen(t.set, 1e-10);
    for (int i = 0; i < 200; ++i) {
      const double p[3] = {u(rng), u(rng), u(rng)};
      double exact = 0.0, screened = 0.0;
      for (int a = 0; a < t.n_atoms(); ++a) {
        const double r = distance(p, &t.xyz[3 * a]);
        const double wa = grid_point_partition(t.system(), none, t.partition(), a, r, p);
        EXPECT_GE(wa, 0.0);
        exact += wa;
        screened += grid_point_partition(t.system(), cut, t.partition(), a, r, p);
      }
      EXPECT_NEAR(exact, 1.0, 1e-14);
      EXPECT_NEAR(screened, 1.0, 1e-9);
    }
    grid_screen_release(cut);
    grid_screen_release(none);
  }
}

// Naive reference: free-atom densities summed directly, G and the 4/3 power applied; a lone
// atom owns everything.
TEST_F(GridWeights, PartitionIsTheStockholderShareOfTheFittedAtoms) {
  GridTestSystem t = make_system({{8, 0, 0, 0}, {1, 0, 0, 1.8}, {1, 1.7, 0, -0.6}}, true);
  GridScreen none = grid_screen(t.set, 0.0);
  for (double z : {-0.5, 0.4, 0.9, 1.6, 2.5}) {
    const double p[3] = {0.3, 0.2, z};
    double fitted[3], sum_f = 0.0;
    for (int a = 0; a < 3; ++a) {
      double phi[6];
      for (int k = 0; k < 4; ++k) {
        const GaussianShell& sh = t.shells[4 * a + k];
        const double d[3] = {p[0] - sh.centre[0], p[1] - sh.centre[1], p[2] - sh.centre[2]};
        shell_eval(sh, d, 0, phi + k, 1);
      }
      double rho = 0.0;
      for (int i = 0; i < 6; ++i) rho += t.atomic_d[6 * a + i] * phi[i];
      sum_f += fitted[a] = std::pow(partition_density(rho), 4.0 / 3.0);
    }
    for (int a = 0; a < 3; ++a) {
      const double r = distance(p, &t.xyz[3 * a]);
      EXPECT_NEAR(grid_point_partition(t.system(), none, t.partition(), a, r, p), fitted[a] / sum_f, 1e-13);
    }
  }
  grid_screen_release(none);
  GridTestSystem lone = make_system({{10, 0.3, 0.1, 0}});
  GridScreen sl = grid_screen(lone.set, 1e-10);
  for (double r : {0.01, 1.0, 30.0}) {
    const double p[3] = {0.3 + r, 0.1, 0};
    EXPECT_EQ(grid_point_partition(lone.system(), sl, lone.partition(), 0, r, p), 1.0);
  }
  grid_screen_release(sl);
  EXPECT_EQ(partition_weight(nullptr, 0, 0), 0.0);
}

double gaussian_at(const double* p, const double* c, double a) {
  const double d = distance(p, c);
  return std::exp(-a * d * d);
}

TEST_F(GridWeights, MolecularGridIntegratesNormalisedGaussiansAndProducts) {
  for (const auto& atoms : kMolecules) {
    GridTestSystem t = make_system(atoms, true);
    Grid g = make_grid(t, 60, 1202);
    const std::vector<double> w = testing::weights_of(g, t, GRID_FINAL);
    const int n = t.n_atoms();
    for (double a : {0.4, 1.5, 8.0}) {
      const double norm = std::pow(a / std::numbers::pi, 1.5);
      const double total = testing::grid_integral(g, t.xyz.data(), w, GRID_FINAL, [&](const double* x) {
        double f = 0.0;
        for (int c = 0; c < n; ++c) f += norm * gaussian_at(x, &t.xyz[3 * c], a);
        return f;
      });
      // Tight functions on hydrogen are partly integrated off-centre by the heavier atoms.
      EXPECT_NEAR(total, n, (a < 2 ? 5e-7 : 2e-5) * n) << "atoms " << n << " exponent " << a;
    }
    // exp(-a|r-A|^2) exp(-b|r-B|^2) = (pi/(a+b))^(3/2) exp(-ab/(a+b) |A-B|^2)
    const double a = 0.9, b = 0.6;
    const double *A = &t.xyz[0], *B = &t.xyz[3 * (n - 1)];
    const double ab = distance(A, B);
    const double exact = std::pow(std::numbers::pi / (a + b), 1.5) * std::exp(-a * b / (a + b) * ab * ab);
    const double product = testing::grid_integral(g, t.xyz.data(), w, GRID_FINAL, [&](const double* x) {
      return gaussian_at(x, A, a) * gaussian_at(x, B, b);
    });
    EXPECT_NEAR(product, exact, 1e-6 * exact) << "atoms " << n;
    grid_release(g);
  }
}

}  // namespace
}  // namespace ostrel
