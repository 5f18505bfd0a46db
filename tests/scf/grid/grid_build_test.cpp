#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "scf/grid/grid_build.hpp"
#include "scf/grid/grid_orientation.hpp"
#include "scf/grid/grid_points.hpp"
#include "scf/grid/grid_test_system.hpp"
#include "scf/xc/xc_point.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::GridTestSystem;
using testing::make_grid;
using testing::make_system;

class GridBuild : public testing::RuntimeTest {};

XcFunctional functional(const char* name) {
  const double p[32] = {};
  const std::int32_t n[5] = {};
  XcFunctional f = xc_cleared(p, n);
  EXPECT_TRUE(xc_lookup(name, f));
  return f;
}

GridDensity density_of(const GridTestSystem& t) {
  return GridDensity{t.da.data(), t.da.data(), 1, t.atomic_d.data()};
}

void append(void* context, const double* w, int n) {
  auto* v = static_cast<std::vector<double>*>(context);
  v->insert(v->end(), w, w + n);
}

// Exchange-correlation energy of the fitted density on grid k (weights and points
// regenerated in generation order).
double xc_energy(const Grid& g, const GridTestSystem& t, const XcFunctional& f, int k) {
  std::vector<double> w;
  grid_walk_weights(g, t.system(), t.partition(), k, append, &w);
  std::vector<double> p(3 * kGridMaxShellPoints), pw(kGridMaxShellPoints);
  double energy = 0.0;
  size_t i = 0;
  for (int a = 0, shell = 0; a < g.n_atoms; ++a)
    for (int s = 0; s < g.nrad[a]; ++s, ++shell) {
      const RadialPoint rp = radial_point(g.nrad[a], s, g.alpha[a]);
      const int n = shell_points(g.orders[2 * shell + k], p.data(), pw.data(), &t.xyz[3 * a],
                                 g.orientation + 9 * a, rp.r, rp.w);
      for (int q = 0; q < n; ++q, ++i) {
        double rho[4] = {0, 0, 0, 0};
        for (int sh = 0; sh < t.set.n_shells; ++sh) {
          const GaussianShell& gs = t.shells[sh];
          const double d[3] = {p[3 * q] - gs.centre[0], p[3 * q + 1] - gs.centre[1], p[3 * q + 2] - gs.centre[2]};
          double v[4 * 3];
          shell_eval(gs, d, 1, v, 2 * gs.l + 1);
          for (int c = 0; c <= 2 * gs.l; ++c)
            for (int r = 0; r < 4; ++r) rho[r] += t.da[gs.first_function + c] * v[r * (2 * gs.l + 1) + c];
        }
        double ex, ec;
        xc_point(f, rho, rho, &ex, &ec, nullptr, 0, 1e-7);
        energy += w[i] * (ex + ec);
      }
    }
  return energy;
}

bool in_sequence(int n) {
  for (int k : kGridOrders)
    if (k == n) return true;
  return false;
}

TEST_F(GridBuild, OrientationFollowsTheNeighboursAndIsTheUnitMatrixForALoneAtom) {
  const double lone[3] = {1, 2, 3};
  double o[9];
  grid_orientation(0, 1, lone, o);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(o[k], k % 4 == 0 ? 1.0 : 0.0);
  // Two atoms on the y axis: the bond direction has the eigenvalue 0, the largest, so it is
  // the last column.
  const double pair[6] = {0, 0, 0, 0, 1.5, 0};
  grid_orientation(0, 2, pair, o);
  EXPECT_NEAR(std::fabs(o[7]), 1.0, 1e-14);
  // Columns are orthonormal.
  GridTestSystem t = make_system({{8, 0.1, -0.3, 0.2}, {1, 1.7, 0.4, -0.2}, {1, -0.6, 1.6, 0.9}, {6, 0.3, -1.2, 2.4}});
  for (int a = 0; a < 4; ++a) {
    grid_orientation(a, 4, t.xyz.data(), o);
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        double dot = 0;
        for (int k = 0; k < 3; ++k) dot += o[3 * i + k] * o[3 * j + k];
        EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-13);
      }
  }
}

TEST_F(GridBuild, SphericalAtomGetsTheSmallestOrderOnEveryShell) {
  GridTestSystem t = make_system({{10, 0, 0, 0}});
  Grid g = make_grid(t, 40, 1202);
  grid_build_orders(g, t.system(), density_of(t), functional("PBE"), 1);
  for (int s = 0; s < g.n_shells; ++s) {
    EXPECT_EQ(g.orders[2 * s + GRID_FINAL], 26);
    EXPECT_EQ(g.orders[2 * s + GRID_COARSE], 26);
  }
  EXPECT_EQ(g.n_points[GRID_FINAL], 40 * 26);
  EXPECT_EQ(g.atom_points[GRID_FINAL], 40 * 26);
  grid_release(g);
}

TEST_F(GridBuild, ShellStillChangingAtTheLargestRuleKeepsIt) {
  GridTestSystem t = make_system({{8, 0, 0, 0}, {1, 0, 1.43, 1.1}}, true);
  Grid g = make_grid(t, 2, 302, 1.0);  // two shells per atom, near the nuclei
  g.accuracy[0] = g.accuracy[1] = -1.0;  // nothing counts as converged
  grid_build_orders(g, t.system(), density_of(t), functional("S"), 1);
  for (int s = 0; s < g.n_shells; ++s) EXPECT_EQ(g.orders[2 * s + GRID_FINAL], 5810) << s;
  grid_release(g);
}

// Integral of the free-atom densities (sums of normalised Gaussians: the nuclear charges).
double atomic_charge(const Grid& g, const GridTestSystem& t, int k) {
  std::vector<double> w;
  grid_walk_weights(g, t.system(), t.partition(), k, append, &w);
  std::vector<double> p(3 * kGridMaxShellPoints), pw(kGridMaxShellPoints);
  double q = 0.0;
  size_t i = 0;
  for (int a = 0, shell = 0; a < g.n_atoms; ++a)
    for (int s = 0; s < g.nrad[a]; ++s, ++shell) {
      const RadialPoint rp = radial_point(g.nrad[a], s, g.alpha[a]);
      const int n = shell_points(g.orders[2 * shell + k], p.data(), pw.data(), &t.xyz[3 * a],
                                 g.orientation + 9 * a, rp.r, rp.w);
      for (int j = 0; j < n; ++j, ++i)
        for (const GaussianShell& gs : t.shells) {
          if (gs.l) continue;
          const double d[3] = {p[3 * j] - gs.centre[0], p[3 * j + 1] - gs.centre[1], p[3 * j + 2] - gs.centre[2]};
          double v;
          shell_eval(gs, d, 0, &v, 1);
          q += w[i] * t.atomic_d[gs.first_function] * v;
        }
    }
  return q;
}

TEST_F(GridBuild, BuiltGridReachesTheRequestedAccuracyWithFewerPoints) {
  GridTestSystem t = make_system(testing::kWater, true);
  for (const char* name : {"S", "PBE"}) {
    const XcFunctional f = functional(name);
    Grid g = make_grid(t, 40, 26);
    g.use43 = 0;
    grid_build_orders(g, t.system(), density_of(t), f, 1);  // accuracy 1e-8, coarse 1e-5
    Grid ref = make_grid(t, 40, 5810);
    for (int k = 0; k < 27; ++k) ref.orientation[k] = g.orientation[k];
    const double e_ref = xc_energy(ref, t, f, GRID_FINAL);
    const double e_final = xc_energy(g, t, f, GRID_FINAL);
    const double e_coarse = xc_energy(g, t, f, GRID_COARSE);
    EXPECT_NEAR(e_final, e_ref, g.n_shells * 1e-8) << name;
    EXPECT_NEAR(e_coarse, e_ref, g.n_shells * 1e-5) << name;
    EXPECT_NEAR(atomic_charge(g, t, GRID_FINAL), 10.0, 1e-5) << name;
    EXPECT_LT(g.n_points[GRID_FINAL], 40 * 3 * 302);
    EXPECT_LT(g.n_points[GRID_COARSE], g.n_points[GRID_FINAL]);
    int total[2] = {0, 0};
    for (int s = 0; s < g.n_shells; ++s) {
      EXPECT_TRUE(in_sequence(g.orders[2 * s]));
      EXPECT_TRUE(in_sequence(g.orders[2 * s + 1]));
      EXPECT_LE(g.orders[2 * s + 1], g.orders[2 * s]);
      total[0] += g.orders[2 * s];
      total[1] += g.orders[2 * s + 1];
    }
    EXPECT_EQ(total[0], g.n_points[GRID_FINAL]);
    EXPECT_EQ(total[1], g.n_points[GRID_COARSE]);
    // Sparse outer and inner shells end with the smallest rule.
    EXPECT_EQ(g.orders[2 * 0], 26);
    EXPECT_EQ(g.orders[2 * 39], 26);
    std::printf("  water %s: %d final, %d coarse points; E = %.10f, %.10f (5810 points: %.10f); "
                "charge error %.1e\n", name, g.n_points[0], g.n_points[1], e_final, e_coarse,
                e_ref, atomic_charge(g, t, GRID_FINAL) - 10.0);
    grid_release(ref);
    grid_release(g);
  }
}

// Rotating the molecule rotates every atomic grid with it: same orders, same integrals.
TEST_F(GridBuild, RotatedMoleculeGivesTheSameGridAndIntegrals) {
  const std::vector<std::vector<double>> atoms = {
      {8, 0.1, -0.3, 0.2}, {1, 1.7, 0.4, -0.2}, {1, -0.6, 1.6, 0.9}, {6, 0.3, -1.2, 2.4}};
  const double a = 0.5, b = 1.1, c = -0.8;
  const double rz[9] = {std::cos(a), -std::sin(a), 0, std::sin(a), std::cos(a), 0, 0, 0, 1};
  const double ry[9] = {std::cos(b), 0, std::sin(b), 0, 1, 0, -std::sin(b), 0, std::cos(b)};
  const double rx[9] = {1, 0, 0, 0, std::cos(c), -std::sin(c), 0, std::sin(c), std::cos(c)};
  double q[9] = {}, t9[9] = {};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) t9[3 * i + j] += ry[3 * i + k] * rx[3 * k + j];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) q[3 * i + j] += rz[3 * i + k] * t9[3 * k + j];
  std::vector<std::vector<double>> turned = atoms;
  for (auto& at : turned)
    for (int i = 0; i < 3; ++i) at[1 + i] = q[3 * i] * atoms[&at - &turned[0]][1] + q[3 * i + 1] * atoms[&at - &turned[0]][2] + q[3 * i + 2] * atoms[&at - &turned[0]][3];
  GridTestSystem t1 = make_system(atoms), t2 = make_system(turned);
  const XcFunctional f = functional("S");
  Grid g1 = make_grid(t1, 30, 26), g2 = make_grid(t2, 30, 26);
  grid_build_orders(g1, t1.system(), density_of(t1), f, 1);
  grid_build_orders(g2, t2.system(), density_of(t2), f, 1);
  for (int s = 0; s < g1.n_shells; ++s) {
    EXPECT_EQ(g1.orders[2 * s], g2.orders[2 * s]) << s;
    EXPECT_EQ(g1.orders[2 * s + 1], g2.orders[2 * s + 1]) << s;
  }
  const double e1 = xc_energy(g1, t1, f, GRID_FINAL), e2 = xc_energy(g2, t2, f, GRID_FINAL);
  EXPECT_NEAR(e1, e2, 1e-11 * std::fabs(e1));
  grid_release(g2);
  grid_release(g1);
}

}  // namespace
}  // namespace ostrel
