#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "scf/grid/grid_partition.hpp"
#include "scf/grid/grid_points.hpp"
#include "scf/grid/grid_test_system.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::GridTestSystem;
using testing::make_grid;
using testing::make_system;

class GridWeights : public testing::RuntimeTest {};

void append(void* context, const double* w, int n) {
  auto* v = static_cast<std::vector<double>*>(context);
  v->insert(v->end(), w, w + n);
}

std::vector<double> weights_of(const Grid& g, const GridTestSystem& t, int k) {
  std::vector<double> w;
  grid_walk_weights(g, t.system(), t.partition(), k, append, &w);
  return w;
}

// Points of grid k regenerated in generation order.
std::vector<double> points_of(const Grid& g, const GridTestSystem& t, int k) {
  std::vector<double> all, p(3 * kGridMaxShellPoints), w(kGridMaxShellPoints);
  for (int a = 0, shell = 0; a < g.n_atoms; ++a)
    for (int s = 0; s < g.nrad[a]; ++s, ++shell) {
      const RadialPoint rp = radial_point(g.nrad[a], s, g.alpha[a]);
      const int n = shell_points(g.orders[2 * shell + k], p.data(), w.data(), &t.xyz[3 * a],
                                 g.orientation + 9 * a, rp.r, rp.w);
      all.insert(all.end(), p.begin(), p.begin() + 3 * n);
    }
  return all;
}

template <class F>
double integrate(const std::vector<double>& p, const std::vector<double>& w, F f) {
  double sum = 0.0;
  for (size_t i = 0; i < w.size(); ++i) sum += w[i] * f(&p[3 * i]);
  return sum;
}

double gaussian_at(const double* p, const double* c, double a) {
  const double d2 = (p[0] - c[0]) * (p[0] - c[0]) + (p[1] - c[1]) * (p[1] - c[1]) + (p[2] - c[2]) * (p[2] - c[2]);
  return std::exp(-a * d2);
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
    GridScreen none = grid_screen(t.set, 0.0);
    GridScreen cut = grid_screen(t.set, 1e-10);
    for (int i = 0; i < 200; ++i) {
      const double p[3] = {u(rng), u(rng), u(rng)};
      double exact = 0.0, screened = 0.0;
      for (int a = 0; a < t.n_atoms(); ++a) {
        const double* c = &t.xyz[3 * a];
        const double r = std::sqrt((p[0] - c[0]) * (p[0] - c[0]) + (p[1] - c[1]) * (p[1] - c[1]) + (p[2] - c[2]) * (p[2] - c[2]));
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

// Naive reference: free-atom densities summed directly, G and the 4/3 power applied.
TEST_F(GridWeights, PartitionIsTheStockholderShareAndIsOneForALoneAtom) {
  GridTestSystem t = make_system({{8, 0, 0, 0}, {1, 0, 0, 1.8}});
  GridScreen s = grid_screen(t.set, 0.0);  // unscreened, to compare closely
  double previous = 2.0;
  for (double z = -0.5; z <= 2.5; z += 0.25) {
    const double p[3] = {0.2, 0.1, z};
    double g43[2];
    for (int a = 0; a < 2; ++a) {
      double rho = 0.0;
      for (int k = 0; k < 3; ++k) {
        const GaussianShell& sh = t.shells[3 * a + k];
        const double d2 = 0.04 + 0.01 + (z - sh.centre[2]) * (z - sh.centre[2]);
        rho += t.atomic_d[sh.first_function] * std::exp(-sh.exponent[0] * d2);
      }
      g43[a] = std::pow(partition_density(rho), 4.0 / 3.0);
    }
    const double r_o = std::sqrt(0.05 + z * z);
    const double w_o = grid_point_partition(t.system(), s, t.partition(), 0, r_o, p);
    EXPECT_NEAR(w_o, g43[0] / (g43[0] + g43[1]), 1e-13) << z;
    EXPECT_LT(w_o, previous);  // falls as the point moves towards the hydrogen
    previous = w_o;
  }
  grid_screen_release(s);

  GridTestSystem lone = make_system({{10, 0.3, 0.1, 0}});
  GridScreen sl = grid_screen(lone.set, 1e-10);
  for (double r : {0.01, 1.0, 30.0}) {
    const double p[3] = {0.3 + r, 0.1, 0};
    EXPECT_EQ(grid_point_partition(lone.system(), sl, lone.partition(), 0, r, p), 1.0);
  }
  grid_screen_release(sl);
}

TEST_F(GridWeights, NeighbourListsKeepTheAtomAndDropAtomsOutOfReach) {
  const double xyz[9] = {0, 0, 0, 0, 0, 3.0, 0, 0, 10.0};
  const double extent2[3] = {4.0, 4.0, 1.0};
  int list[3], self = -1;
  // shell radius 0.5 around atom 1: atom 0 at gap 2.5 (2.5^2 > 4), atom 2 at gap 6.5
  EXPECT_EQ(shell_neighbours(1, 0.5, 3, xyz, extent2, list, &self), 1);
  EXPECT_EQ(list[self], 1);
  // radius 2: atom 0 at gap 1 is listed; radius 8: atom 2 inside the shell (gap < 0)
  EXPECT_EQ(shell_neighbours(1, 2.0, 3, xyz, extent2, list, &self), 2);
  EXPECT_EQ(list[0], 0);
  EXPECT_EQ(self, 1);
  EXPECT_EQ(shell_neighbours(1, 8.0, 3, xyz, extent2, list, &self), 3);
}

TEST_F(GridWeights, PartitionDensityFollowsItsFourBranches) {
  EXPECT_EQ(partition_density(-1.0), 1e-16);
  EXPECT_EQ(partition_density(5e-17), 1e-16);
  EXPECT_DOUBLE_EQ(partition_density(5e-11), 1e-7 * 0.0005 * 0.0005 / 2);
  EXPECT_DOUBLE_EQ(partition_density(1e-6), 1e-7 * std::log(std::exp(10.0) - 10.0));
  EXPECT_EQ(partition_density(0.5), 0.5);
  EXPECT_EQ(partition_weight(nullptr, 0, 0), 0.0);
}

// The weights of a shell sum to 4 pi r^2 w_r times the mean partition weight; over a lone
// atom that is the shell weight itself.
TEST_F(GridWeights, ALoneAtomsShellWeightsSumToTheShellWeight) {
  GridTestSystem t = make_system({{6, 0, 0, 0}});
  Grid g = make_grid(t, 20, 50);
  const std::vector<double> w = weights_of(g, t, GRID_FINAL);
  ASSERT_EQ(static_cast<int>(w.size()), g.n_points[GRID_FINAL]);
  for (int s = 0; s < 20; ++s) {
    double sum = 0.0;
    for (int i = 0; i < 50; ++i) sum += w[50 * s + i];
    const RadialPoint rp = radial_point(20, s, 5.0);
    EXPECT_NEAR(sum, 4 * std::numbers::pi * rp.r * rp.r * rp.w, 1e-12 * sum);
  }
  grid_release(g);
}

TEST_F(GridWeights, MolecularGridIntegratesNormalisedGaussiansAndProducts) {
  for (const auto& atoms : kMolecules) {
    GridTestSystem t = make_system(atoms, true);
    Grid g = make_grid(t, 60, 1202);
    const std::vector<double> w = weights_of(g, t, GRID_FINAL);
    const std::vector<double> p = points_of(g, t, GRID_FINAL);
    const int n = t.n_atoms();
    for (double a : {0.4, 1.5, 8.0}) {
      const double norm = std::pow(a / std::numbers::pi, 1.5);
      const double total = integrate(p, w, [&](const double* x) {
        double f = 0.0;
        for (int c = 0; c < n; ++c) f += norm * gaussian_at(x, &t.xyz[3 * c], a);
        return f;
      });
      // Tight functions on hydrogen are partly integrated off-centre by the heavier atoms.
      EXPECT_NEAR(total, n, (a < 2 ? 5e-7 : 2e-5) * n) << "atoms " << n << " exponent " << a;
    }
    // exp(-a|r-A|^2) exp(-b|r-B|^2) = (pi/(a+b))^(3/2) exp(-ab/(a+b) |A-B|^2)
    const double a = 0.9, b = 0.6;
    const double* A = &t.xyz[0];
    const double* B = &t.xyz[3 * (n - 1)];
    const double ab2 = (A[0] - B[0]) * (A[0] - B[0]) + (A[1] - B[1]) * (A[1] - B[1]) + (A[2] - B[2]) * (A[2] - B[2]);
    const double exact = std::pow(std::numbers::pi / (a + b), 1.5) * std::exp(-a * b / (a + b) * ab2);
    const double product = integrate(p, w, [&](const double* x) { return gaussian_at(x, A, a) * gaussian_at(x, B, b); });
    EXPECT_NEAR(product, exact, 1e-6 * exact) << "atoms " << n;
    grid_release(g);
  }
}

TEST_F(GridWeights, RegeneratedPointsAndWeightsAreIdentical) {
  GridTestSystem t = make_system(testing::kWater, true);
  Grid g = make_grid(t, 30, 110);
  for (int s = 0; s < g.n_shells; s += 3) g.orders[2 * s + GRID_COARSE] = 26;
  grid_count_points(g);
  for (int k : {GRID_FINAL, GRID_COARSE}) {
    const std::vector<double> w1 = weights_of(g, t, k), w2 = weights_of(g, t, k);
    const std::vector<double> p1 = points_of(g, t, k), p2 = points_of(g, t, k);
    ASSERT_EQ(static_cast<int>(w1.size()), g.n_points[k]);
    EXPECT_EQ(w1, w2);
    EXPECT_EQ(p1, p2);
  }
  grid_release(g);
}

}  // namespace
}  // namespace ostrel
