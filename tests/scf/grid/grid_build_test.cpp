// The adaptive construction: the orders it picks reach the accuracy asked of the energy and
// the electron count, follow the molecule when it turns, and stop at the rule sequence's ends.
#include "scf/grid/fit_polynomials.hpp"
#include "scf/grid/grid_build.hpp"
#include "scf/grid/grid_test_system.hpp"

namespace ostrel {
namespace {

using testing::GridTestSystem;
using testing::make_grid;
using testing::make_system;
using testing::named_functional;

class GridBuild : public testing::RuntimeTest {};

void build(Grid& g, const GridTestSystem& t, const XcFunctional& f) {
  testing::ScopedCells cells(t);
  grid_build_orders(g, t.system(&cells.cells), GridDensity{t.da.data(), t.da.data(), 1}, f, 1);
}

// Exchange-correlation energy of the fitted density (with `charge`: the integral of the
// free-atom densities, the nuclear charges) on grid k, evaluated point by point.
double integral(const Grid& g, const GridTestSystem& t, const XcFunctional& f, int k, bool charge = false) {
  return testing::grid_integral(g, t.xyz.data(), testing::weights_of(g, t, k), k, [&](const double* p) {
    double rho[4] = {0, 0, 0, 0}, q = 0.0;
    for (const GaussianShell& gs : t.shells) {
      const double d[3] = {p[0] - gs.centre[0], p[1] - gs.centre[1], p[2] - gs.centre[2]};
      double v[4 * 3];
      shell_eval(gs, d, 1, v, 2 * gs.l + 1);
      for (int c = 0; c <= 2 * gs.l; ++c) {
        q += t.atomic_d[gs.first_function + c] * v[c];
        for (int r = 0; r < 4; ++r) rho[r] += t.da[gs.first_function + c] * v[r * (2 * gs.l + 1) + c];
      }
    }
    if (charge) return q;
    double ex, ec;
    xc_point(f, rho, rho, &ex, &ec, nullptr, 0, 1e-7);
    return ex + ec;
  });
}

TEST_F(GridBuild, OrdersStopAtTheSmallestRuleForASphericalAtomAndAtTheLargestWhenNeverConverged) {
  GridTestSystem neon = make_system({{10, 0, 0, 0}});
  Grid g = make_grid(neon, 40, 1202);
  build(g, neon, named_functional("PBE"));
  for (int s = 0; s < g.n_shells; ++s)  // final and coarse
    EXPECT_EQ(std::vector<int>(g.orders + 2 * s, g.orders + 2 * s + 2), (std::vector<int>{26, 26})) << s;
  EXPECT_EQ(g.n_points[GRID_FINAL], 40 * 26);
  grid_release(g);
  GridTestSystem t = make_system({{8, 0, 0, 0}, {1, 0, 1.43, 1.1}}, true);
  Grid h = make_grid(t, 2, 302, 1.0);  // two shells per atom, near the nuclei
  h.accuracy[0] = h.accuracy[1] = -1.0;  // nothing counts as converged
  build(h, t, named_functional("S"));
  for (int s = 0; s < h.n_shells; ++s) EXPECT_EQ(h.orders[2 * s + GRID_FINAL], 5810) << s;
  grid_release(h);
}

TEST_F(GridBuild, BuiltGridReachesTheRequestedAccuracyWithFewerPoints) {
  GridTestSystem t = make_system(testing::kWater, true);
  for (const char* name : {"S", "PBE"}) {
    const XcFunctional f = named_functional(name);
    Grid g = make_grid(t, 40, 26);
    g.use43 = 0;
    build(g, t, f);  // accuracy 1e-8, coarse 1e-5
    Grid ref = make_grid(t, 40, 5810);
    for (int k = 0; k < 27; ++k) ref.orientation[k] = g.orientation[k];
    const double e_ref = integral(ref, t, f, GRID_FINAL);
    const double e_final = integral(g, t, f, GRID_FINAL), e_coarse = integral(g, t, f, GRID_COARSE);
    EXPECT_NEAR(e_final, e_ref, g.n_shells * 1e-8) << name;
    EXPECT_NEAR(e_coarse, e_ref, g.n_shells * 1e-5) << name;
    EXPECT_NEAR(integral(g, t, f, GRID_FINAL, true), 10.0, 1e-5) << name;
    EXPECT_LT(g.n_points[GRID_FINAL], 40 * 3 * 302);
    EXPECT_LT(g.n_points[GRID_COARSE], g.n_points[GRID_FINAL]);
    for (int s = 0; s < g.n_shells; ++s) EXPECT_LE(g.orders[2 * s + 1], g.orders[2 * s]);
    // Sparse outer and inner shells end with the smallest rule.
    EXPECT_EQ((std::vector<int>{g.orders[2 * 0], g.orders[2 * 39]}), (std::vector<int>{26, 26}));
    grid_release(ref);
    grid_release(g);
  }
}

// Rotating the molecule rotates every atomic grid with it: same orders, same integrals.
TEST_F(GridBuild, RotatedMoleculeGivesTheSameGridAndIntegrals) {
  const std::vector<std::vector<double>> atoms = {
      {8, 0.1, -0.3, 0.2}, {1, 1.7, 0.4, -0.2}, {1, -0.6, 1.6, 0.9}, {6, 0.3, -1.2, 2.4}};
  // z by 0.5, then about the axis (1, 1, 1)/sqrt 3 by 2 pi / 3 (x -> y -> z -> x).
  const double c = std::cos(0.5), s = std::sin(0.5);
  const double rz[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
  std::vector<std::vector<double>> turned = atoms;
  for (auto& at : turned) {
    const double x[3] = {at[1], at[2], at[3]};
    double y[3];
    for (int i = 0; i < 3; ++i) y[i] = rz[3 * i] * x[0] + rz[3 * i + 1] * x[1] + rz[3 * i + 2] * x[2];
    at[1] = y[2], at[2] = y[0], at[3] = y[1];
  }
  GridTestSystem t1 = make_system(atoms), t2 = make_system(turned);
  const XcFunctional f = named_functional("S");
  Grid g1 = make_grid(t1, 30, 26), g2 = make_grid(t2, 30, 26);
  build(g1, t1, f);
  build(g2, t2, f);
  for (int k = 0; k < 2 * g1.n_shells; ++k) EXPECT_EQ(g1.orders[k], g2.orders[k]) << k;
  const double e1 = integral(g1, t1, f, GRID_FINAL), e2 = integral(g2, t2, f, GRID_FINAL);
  EXPECT_NEAR(e1, e2, 1e-11 * std::fabs(e1));
  grid_release(g2);
  grid_release(g1);
}

// The construction's densities as contracted polynomials on monomials, through l = 5 and
// with a two-primitive shell, against the straight-line kernels point by point.
TEST_F(GridBuild, PolynomialDensitiesMatchTheKernelsThroughHighAngularMomentum) {
  const double xyz[6] = {0.2, -0.1, 0.3, -0.5, 1.1, 1.9};
  const double exponent[7] = {3.0, 0.4, 0.9, 1.3, 0.6, 0.5, 0.35}, coef[7] = {0.7, 0.3, 1, 1, 1, 1, 1};
  const int l_of[6] = {0, 2, 1, 3, 4, 5};
  std::vector<GaussianShell> shells;
  for (int i = 0, f = 0; i < 6; f += 2 * l_of[i++] + 1) {
    const int k = i + (i > 0);  // the first shell has two primitives
    shells.push_back({l_of[i], i == 0 ? 2 : 1, f, i / 3, exponent + k, coef + k, xyz + 3 * (i / 3)});
  }
  const int first[3] = {0, 3, 6}, nf = 36, shell[6] = {0, 1, 2, 3, 4, 5}, n = 37;
  const ShellSet set{2, 6, nf, shells.data(), first};
  std::vector<double> da(nf), points(3 * n), extent2(6, 1e9), work(fit_run_work(5)), sa(4 * kRunPoints),
      sb(4 * kRunPoints);
  for (int m = 0; m < nf; ++m) da[m] = std::sin(1.0 + m);
  for (int i = 0; i < 3 * n; ++i) points[i] = 1.5 * std::sin(0.7 * i + 0.3);
  FitPolynomials pa = fit_polynomials(set, da.data());
  fit_run_sums(set, extent2.data(), points.data(), n, shell, 6, pa, &pa, nullptr, work.data(), sa.data(),
               sb.data());
  double worst = 0.0;
  for (int i = 0; i < n; ++i) {
    double a[4] = {0, 0, 0, 0}, v[4 * 11];
    for (const GaussianShell& sh : shells) {
      const double* p = &points[3 * i];
      const double d[3] = {p[0] - sh.centre[0], p[1] - sh.centre[1], p[2] - sh.centre[2]};
      shell_eval(sh, d, 1, v, 2 * sh.l + 1);
      for (int s = 0, m = sh.first_function; s <= 2 * sh.l; ++s, ++m)
        for (int c = 0; c < 4; ++c) a[c] += da[m] * v[c * (2 * sh.l + 1) + s];
    }
    for (int c = 0; c < 4; ++c)
      worst = std::max({worst, std::fabs(sa[c * kRunPoints + i] - a[c]), std::fabs(sb[c * kRunPoints + i] - a[c])});
  }
  EXPECT_LT(worst, 1e-13);
  fit_polynomials_release(pa);
}
}  // namespace
}  // namespace ostrel
