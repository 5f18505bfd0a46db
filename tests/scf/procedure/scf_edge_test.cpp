// Driver edge cases without a grid: no iterations, one iteration, the strict convergence
// test, the exact Coulomb matrix of the fitxc=0 model, and the restricted open-shell stops.
#include "scf/procedure/scf_test_system.hpp"

namespace ostrel {
namespace {

using testing::get_reals;
using testing::put_reals;

class ScfEdge : public testing::ScfSystem {
 protected:
  void set_iterations(int first) {
    const int it[2] = {first, 16};
    store_write("iterations", 0, it, 8);
  }
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
    const double conv[2] = {larger ? std::nextafter(g, 1.0) : g, 1e-3};
    store_write("convergence", 0, conv, 16);
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

}  // namespace
}  // namespace ostrel
