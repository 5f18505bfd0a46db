// Driver edge cases without a grid: no iterations, one iteration, the strict convergence
// test, the exact Coulomb matrix of the fitxc=0 model, the restricted open-shell stops, the
// occupation check and the shortening of a step that went uphill.
#include <algorithm>
#include <cmath>

#include "scf/procedure/scf_bfgs_step.hpp"
#include "scf/procedure/scf_step_control.hpp"
#include "scf/procedure/scf_test_system.hpp"

namespace ostrel {
namespace {

using testing::get_reals;
using testing::put_reals;

class ScfEdge : public testing::ScfSystem {
 protected:
  void set_iterations(int first) { testing::put_ints("iterations", {first, 16}); }
};

TEST_F(ScfEdge, NegativeIterationsOnlyFormTheDensities) {
  prepare_core("$scf $end");
  set_iterations(-1);
  const std::vector<double> c = get_reals("Ca");
  const std::string out = run(scf_run);
  EXPECT_EQ(out.find(" it."), std::string::npos) << out;
  EXPECT_EQ(store_get<double>("ESCF"), 0.0);
  const std::vector<double> d = testing::density(n, na, c), da = get_reals("Da"), dt = get_reals("D");
  for (std::size_t i = 0; i < d.size(); ++i) {
    EXPECT_NEAR(da[i], d[i], 1e-14);
    EXPECT_NEAR(dt[i], 2.0 * d[i], 1e-14);
  }
}

TEST_F(ScfEdge, OneIterationPrintsOneLineAndNoConvergence) {
  prepare_core("$scf iterations=1 $end");
  const std::string out = run(scf_run);
  EXPECT_EQ(testing::iteration_lines(out), 1) << out;
  EXPECT_NE(out.find(" SCF not converged after 1 iteration: gradient "), std::string::npos) << out;
  EXPECT_EQ(out.find(" converged!"), std::string::npos);
  // The energy change of iteration 0 is printed as zero.
  EXPECT_NE(out.find("   0.0000000000 "), std::string::npos) << out;
  EXPECT_NE(store_get<double>("ESCF"), 0.0);
  // The work records are gone, the results are there.
  for (const char* name : {"scf_G", "scf_H", "Foa", "Ca1"}) EXPECT_EQ(store_exists(name), 0) << name;
  EXPECT_GT(store_get<double>("ET"), 0.0);
}

// The same start vectors give the same gradient bit for bit: a threshold equal to it does
// not converge, the next larger double does.
TEST_F(ScfEdge, GradientEqualToTheThresholdIsNotConverged) {
  prepare_core("$scf iterations=1 $end");
  const std::vector<double> ca = get_reals("Ca");
  run(scf_run);
  const double g = store_get<double>("scf_Gmax");
  ASSERT_GT(g, 0.0);
  for (int larger = 0; larger < 2; ++larger) {
    put_reals("Ca", ca);
    put_reals("Cb", ca);
    testing::put_reals("convergence", {larger ? std::nextafter(g, 1.0) : g, 1e-3});
    const std::string out = run(scf_run);
    EXPECT_EQ(store_get<double>("scf_Gmax"), g);
    EXPECT_EQ(out.find(" converged!") != std::string::npos, larger == 1) << out;
  }
}

// fitxc=0 with the default fit code: exact four-centre Coulomb, and the printed difference
// to the fitted energy.
TEST_F(ScfEdge, ExactCoulombWithoutXcFitPrintsTheFitError) {
  prepare_core("$scf fitxc=0 procedure=bfgs iterations=40 convergence=1e-8 $end", 0, 'V');
  const std::string out = run(scf_run);
  EXPECT_NE(out.find(" converged!\n"), std::string::npos) << out;
  const std::size_t at = out.rfind(" r(J)  =");
  ASSERT_NE(at, std::string::npos) << out;
  const double printed = std::stod(out.substr(at + 8, 14));
  // Recompute both Coulomb energies of the final density.
  const double exact = testing::exact_coulomb_energy();
  const char* names[2] = {"Da", "Db"};
  double fitted = 0.0;
  testing::captured_stdout([&] {
    fit_projection_step(Interaction::coulomb, 1e-10, 2, names, "scf.g");
    fitted = fit_density_step(2, "scf.g");
  });
  store_free("scf.g");
  EXPECT_NEAR(store_get<double>("EJ"), exact, 1e-10);
  EXPECT_NEAR(printed, fitted - exact, 2e-10);
  EXPECT_GT(std::fabs(printed), 1e-7);
  EXPECT_LT(std::fabs(printed), 1e-2);
}

TEST_F(ScfEdge, RestrictedOpenShellStops) {
  // Newton-Raphson (the default with fitxc on) is not available for it.
  prepare_core("$scf restrict=1 iterations=5 $end", 1);
  EXPECT_EQ(store_get<int>("closed"), 0);
  testing::captured_stdout([&] { EXPECT_FATAL(scf_run(), "\n N.I."); });

  // Canonicalisation is required at the first iteration.
  restart();
  prepare_core("$scf restrict=1 procedure=bfgs diagm=1 iterations=5 $end", 1);
  testing::captured_stdout([&] { EXPECT_FATAL(scf_run(), "diagm"); });
}

// Fock matrices S C diag(e) C^T S put the levels e on the orbitals C (the water cation's core
// guess). A beta level 0.03 below the highest occupied one trades places with it; an alpha
// level 0.01 below (inside the margin left for a degenerate open shell's hole) stays.
TEST_F(ScfEdge, AufbauSwapTradesOnlyClearlyInvertedLevels) {
  prepare_core("$scf procedure=bfgs $end", 1);
  const std::vector<double> c = get_reals("Ca"), s = get_reals("S");
  const int nocc[2] = {na, nb};
  const double drop[2] = {0.01, 0.03};
  std::vector<double> sc(c.size(), 0.0);
  for (int k = 0; k < n; ++k)
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) sc[k * n + i] += s[testing::sym_index(i, j)] * c[k * n + j];
  for (int spin = 0; spin < 2; ++spin) {
    std::vector<double> f(s.size(), 0.0);
    for (int k = 0; k < n; ++k) {
      const double level = k == nocc[spin] ? 0.1 * k - 1.1 - drop[spin] : 0.1 * k - 1.0;
      for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) f[testing::sym_index(i, j)] += level * sc[k * n + i] * sc[k * n + j];
    }
    put_reals(spin ? "Fb" : "Fa", f);
  }
  for (const char* name : {"ea", "eb"}) store_alloc(name, 8 * n);  // as the run leaves them
  bool swapped = false;
  const std::string out = run([&] { swapped = scf_aufbau_swap(); });
  EXPECT_TRUE(swapped);
  EXPECT_NE(out.find(" occupation changed: beta orbital 5 "), std::string::npos) << out;
  for (int spin = 0; spin < 2; ++spin) {
    const int m = nocc[spin];
    std::vector<double> want = c;
    if (spin) std::swap_ranges(want.begin() + (m - 1) * n, want.begin() + m * n, want.begin() + m * n);
    const std::vector<double> got = get_reals(spin ? "Cb" : "Ca");
    EXPECT_LT(testing::max_difference(testing::density(n, m, got), testing::density(n, m, want)), 1e-12) << spin;
  }
  // The energies follow their orbitals: the preconditioner of the following steps reads them.
  const std::vector<double> e = get_reals("eb", n);
  EXPECT_NEAR(*std::max_element(e.begin(), e.begin() + nb) - *std::min_element(e.begin() + nb, e.end()), -0.03, 1e-12);
}

// A step that went uphill is shortened to the lowest point of the parabola through the start
// energy, the start slope and the energy reached (t = 1/6 for a rise of twice the slope's
// size); below t = 0.1 (a rise of nine times) its direction counts as poor. A NaN energy
// gives a quarter step; on the last iteration the step is taken back whole.
TEST_F(ScfEdge, StepControlShortensUphillStepsAndFlagsPoorDirections) {
  iteration_zero("$scf procedure=bfgs $end", 0, 'J', 1);
  ScfStepControl control;
  run([&] { scf_step_control_begin(control, 1e3); });
  const std::vector<double> ca = get_reals("Ca");
  // rise in units of the slope's size, on the last iteration, poor direction, shortening
  const struct { double rise; bool last, poor; double t; } rows[] = {
      {2.0, false, false, 1.0 / 6.0}, {9.0, false, true, 0.1}, {NAN, false, false, 0.25}, {2.0, true, false, 0.0}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.rise);
    run([&] {
      scf_bfgs_step();
      scf_step_taken(control, -1.0);
      scf_rotate();
    });
    store_put("scf_NH", 1);  // a history to drop
    std::vector<double> x = get_reals("scf_X");
    ASSERT_LT(control.slope, -1e-6);
    double t = 1.0;
    EXPECT_FALSE(scf_step_accepted(control, -1.0 + r.rise * std::fabs(control.slope), r.last, &t));
    EXPECT_EQ(control.poor_direction, r.poor);
    EXPECT_NEAR(t, r.t, 1e-12);
    EXPECT_EQ(get_reals("Ca"), ca);
    EXPECT_EQ(store_get<int>("scf_NH"), 0);
    for (double& v : x) v *= r.t;
    EXPECT_LT(testing::max_difference(get_reals("scf_X"), x), 1e-15);  // t is r.t to rounding
  }
}

}  // namespace
}  // namespace ostrel
