// The fitted Coulomb steps over the records the readers write: water with def2-SVP and the
// def2-universal-jfit fitting set from the basis library.
#include "generated/coulomb_psi4_reference_data.hpp"
#include "integrals/fit_driver.hpp"
#include "support/matrices.hpp"
#include "test_shells.hpp"

namespace ostrel {
namespace {

using namespace psi4_coulomb;

class FitDriver : public testing::RuntimeTest {
 protected:
  static constexpr int n = 24, m = 71, n2 = n * (n + 1) / 2, m2 = m * (m + 1) / 2;
  void SetUp() override {
    RuntimeTest::SetUp();
    testing::read_water_with_fit_sets();
  }
  // Half the reference water density into "Da".
  static void put_half_density() {
    std::vector<double> da(kWaterDensity, kWaterDensity + n2);
    for (double& x : da) x *= 0.5;
    testing::put_reals("Da", da);
  }
  // V step and set-up; returns their print.
  std::string prepare() {
    return testing::captured_stdout([] {
      fit_metric_step(1e-10);
      fit_setup_step(1e-10, false);
    });
  }
};

TEST_F(FitDriver, MetricStepOverTheLibraryFittingSet) {
  ASSERT_EQ(store_get<int>("Nbasis"), n);
  ASSERT_EQ(store_get<int>("Nfit"), m);
  int dropped = -1;
  const std::string out = testing::captured_stdout([&] { dropped = fit_metric_step(1e-10); });
  EXPECT_EQ(dropped, 0);
  EXPECT_NE(out.find(", M=0\n"), std::string::npos) << out;
  EXPECT_EQ(store_size("VMM"), 3L * m2 * 8);
  const std::vector<double> v = testing::get_reals("VMM", m2, 2L * m2);
  // Coulomb-normalised fitting functions have unit self-repulsion.
  for (int k = 0; k < m; ++k) EXPECT_NEAR(v[k * (k + 1) / 2 + k], 1.0, 1e-12) << k;

  // Charges and dipoles of the s functions from their contractions; "mm_b" matches "Basis2".
  const testing::LoadedBasis loaded("Basis2", "Molecule", 1);
  const Basis& aux = loaded.basis;
  const std::vector<int> offsets = testing::get_ints("mm_b");
  ASSERT_GT(offsets.size(), static_cast<std::size_t>(aux.n_shells));
  const std::vector<double> s = testing::get_reals("s", 4L * m);
  for (int sh = 0; sh < aux.n_shells; ++sh) {
    const ShellSlot& slot = aux.shells[sh];
    EXPECT_EQ(offsets[sh], slot.first_function);
    const int f = slot.first_function;
    if (slot.l == 0) {
      double q = 0.0;
      for (int p = 0; p < slot.n_primitives; ++p) q += slot.coef[0][p] * std::pow(M_PI / slot.exponent[p], 1.5);
      EXPECT_NEAR(s[f], q, 1e-12 * std::abs(q)) << sh;
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(s[(c + 1) * m + f], q * slot.position[c], 1e-11) << sh;
    } else {
      for (int i = 0; i < 2 * slot.l + 1; ++i) EXPECT_EQ(s[f + i], 0.0);
    }
  }
  EXPECT_EQ(offsets[aux.n_shells], m);
}

TEST_F(FitDriver, ClosedShellIterationMatchesPsi4AndIsBoundedByTheExactCoulombEnergy) {
  const std::string out = prepare();
  EXPECT_EQ(out.find("on node"), std::string::npos) << out;
  EXPECT_NE(out.find("integrals total\n sparsity="), std::string::npos) << out;
  EXPECT_TRUE(store_exists("ri.estimates"));

  put_half_density();
  const char* densities[] = {"Da"};
  fit_projection_step(Interaction::coulomb, 1e-10, 1, densities, "ri.gamma");
  const double ej = fit_density_step(1, "ri.gamma");
  // Psi4 1.3.2 integrals, 1/2 g^T V^-1 g with numpy for its PBE/def2-SVP density.
  EXPECT_NEAR(ej, kWaterFittedCoulomb, 2e-9);
  std::vector<double> g = testing::get_reals("ri.gamma", m);
  for (double& x : g) x *= 2.0;
  const std::vector<double> c_direct = testing::solve_packed(testing::get_reals("VMM", m2, 2L * m2), g);  // no eigenvectors
  double e_direct = 0.0;
  for (int k = 0; k < m; ++k) e_direct += 0.5 * g[k] * c_direct[k];
  EXPECT_NEAR(ej, e_direct, 1e-9);
  // The energy is exactly quadratic in the density: scaled projections give s^2 ej without
  // the rounding jitter that stalled tight SCF runs (t.d/2 with V^-1: 1e-12 relative here).
  for (double s : {1.0 + 3e-9, 1.0 - 7e-9, 1.0 + 2e-8}) {
    std::vector<double> gs = testing::get_reals("ri.gamma", m);
    for (double& x : gs) x *= s;
    testing::put_reals("ri.gs", gs);
    EXPECT_NEAR(fit_density_step(1, "ri.gs") / (s * s), ej, 1e-13 * ej) << s;
  }
  fit_density_step(1, "ri.gamma");

  const std::vector<double> ca = testing::get_reals("da"), c = testing::get_reals("d");
  EXPECT_EQ(testing::get_reals("db"), ca);
  for (int k = 0; k < m; ++k) EXPECT_EQ(c[k], 2.0 * ca[k]);

  // Fock matrix: core part plus the Coulomb matrix of the total fitted density.
  std::vector<double> core(n2);
  for (int k = 0; k < n2; ++k) core[k] = -0.1 * std::sin(0.3 * k);
  testing::put_reals("Fa", core);
  const char* total[] = {"d"};
  const char* fock[] = {"Fa"};
  fit_assembly_step(1e-10, 1, total, fock, true);
  const std::vector<double> fa = testing::get_reals("Fa", n2);
  std::vector<double> j(n2);
  for (int k = 0; k < n2; ++k) j[k] = fa[k] - core[k];
  EXPECT_NEAR(0.5 * testing::packed_trace(n, kWaterDensity, j.data()), ej, 1e-9);

  testing::put_reals("D", std::vector<double>(kWaterDensity, kWaterDensity + n2));
  const double exact = exact_coulomb_step(1e-12, "D", "ri.Jexact", false);
  EXPECT_NEAR(exact, kWaterExactCoulomb, 1e-8);
  EXPECT_LT(ej, exact);
  const std::vector<double> jx = testing::get_reals("ri.Jexact", n2);
  EXPECT_NEAR(0.5 * testing::packed_trace(n, kWaterDensity, jx.data()), exact, 1e-9);
  EXPECT_LT(testing::max_difference(jx, j), 2e-3);  // a good fitting set misses little
}

// Spin densities that differ: each spin gets its own vector, the total fits the total; the
// three-index overlap counts the electrons, tr(P S) = 5 per spin for the SCF density.
TEST_F(FitDriver, OpenShellFitsEachSpinAndCountsElectronsWithTheOverlapKind) {
  prepare();
  std::vector<double> da(n2), db(n2);
  for (int k = 0; k < n2; ++k) {
    const double shift = 0.02 * std::cos(0.37 * k);
    da[k] = 0.5 * kWaterDensity[k] + shift;
    db[k] = 0.5 * kWaterDensity[k] - shift;
  }
  testing::put_reals("Da", da);
  testing::put_reals("Db", db);
  const char* densities[] = {"Da", "Db"};
  fit_projection_step(Interaction::coulomb, 1e-10, 2, densities, "ri.gamma");
  EXPECT_NEAR(fit_density_step(2, "ri.gamma"), kWaterFittedCoulomb, 2e-9);
  const std::vector<double> ca = testing::get_reals("da", m), cb = testing::get_reals("db", m), c = testing::get_reals("d", m);
  double diff = 0.0;
  for (int k = 0; k < m; ++k) {
    EXPECT_NEAR(c[k], ca[k] + cb[k], 1e-14 * (1.0 + std::abs(c[k])));
    diff = std::max(diff, std::abs(ca[k] - cb[k]));
  }
  EXPECT_GT(diff, 1e-3);
  double counts[2] = {0.0, 0.0};
  for (int k = 0; k < n2; ++k) da[k] = db[k] = 0.5 * kWaterDensity[k];
  testing::put_reals("Da", da);
  testing::put_reals("Db", db);
  fit_projection_step(Interaction::overlap, 1e-10, 2, densities, "ri.gammaS", counts);
  EXPECT_NEAR(counts[0], 5.0, 1e-7);
  EXPECT_NEAR(counts[1], 5.0, 1e-7);
}

TEST_F(FitDriver, DroppedMetricDirectionsAreReported) {
  // lambda_min above the smallest eigenvalues of the metric removes those directions.
  int dropped = -1;
  const std::string out = testing::captured_stdout([&] { dropped = fit_metric_step(1e-2); });
  EXPECT_GT(dropped, 0);
  EXPECT_NE(out.find(", M=" + std::to_string(dropped) + "\n"), std::string::npos) << out;
  fit_setup_step(1e-10, true);
  EXPECT_TRUE(store_exists("ri.fit_header"));
  EXPECT_TRUE(store_exists("ri.fit"));
  put_half_density();
  const char* densities[] = {"Da"};
  fit_projection_step(Interaction::coulomb, 1e-10, 1, densities, "ri.gamma");
  const double reduced = fit_density_step(1, "ri.gamma");
  // a fit in a smaller space recovers less of the Coulomb energy
  EXPECT_LT(reduced, kWaterFittedCoulomb);
  EXPECT_GT(reduced, 0.9 * kWaterFittedCoulomb);
  // the fit step holds alpha and beta only
  EXPECT_FATAL(fit_density_step(3, "ri.gamma"), "3 densities to fit?");
}

}  // namespace
}  // namespace ostrel
