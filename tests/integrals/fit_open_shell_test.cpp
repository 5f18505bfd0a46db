// The fitted Coulomb steps for an open-shell density: the OH radical with def2-SVP and the
// def2-universal-jfit fitting set from the basis library, against Psi4's DF-J for the same
// alpha and beta densities.
#include "generated/fit_open_shell_reference_data.hpp"
#include "integrals/fit_driver.hpp"
#include "support/matrices.hpp"
#include "support/model_input.hpp"

namespace ostrel {
namespace {

using namespace fit_open_shell_reference;

std::vector<double> packed(const double* v) {
  return std::vector<double>(v, v + kFunctions * (kFunctions + 1) / 2);
}

class FitOpenShell : public testing::RuntimeTest {
 protected:
  static constexpr int n2 = kFunctions * (kFunctions + 1) / 2;
  void SetUp() override {
    RuntimeTest::SetUp();
    testing::read_test_model(testing::bohr_molecule({8, 1}, kCoordinates, 2));
    testing::captured_stdout([] {
      fit_metric_step(1e-10);
      fit_setup_step(1e-10, false);
    });
    testing::put_reals("Da", packed(kDensityAlpha));
    testing::put_reals("Db", packed(kDensityBeta));
  }
};

TEST_F(FitOpenShell, EnergyAndSpinCoulombMatricesMatchPsi4) {
  ASSERT_EQ(store_get<int>("Nbasis"), kFunctions);
  ASSERT_EQ(store_get<int>("Nfit"), kFitFunctions);
  const char* densities[] = {"Da", "Db"};
  fit_projection_step(Interaction::coulomb, 1e-10, 2, densities, "ri.gamma");
  EXPECT_NEAR(fit_density_step(2, "ri.gamma"), kFittedCoulomb, 1e-9);

  const char* vectors[] = {"da", "db"};
  const char* out[] = {"Ja", "Jb"};
  fit_assembly_step(1e-10, 2, vectors, out, false);
  const std::vector<double> ja = testing::get_reals("Ja"), jb = testing::get_reals("Jb");
  EXPECT_LT(testing::max_difference(ja, packed(kCoulombAlpha)), 1e-9);
  EXPECT_LT(testing::max_difference(jb, packed(kCoulombBeta)), 1e-9);
  // the spins differ by one electron, so their Coulomb matrices must differ visibly
  EXPECT_GT(testing::max_difference(packed(kCoulombAlpha), packed(kCoulombBeta)), 0.1);
  // The energy is 1/2 tr((Da + Db)(Ja + Jb)) of the fitted matrices.
  std::vector<double> d(n2), j(n2);
  for (int k = 0; k < n2; ++k) d[k] = kDensityAlpha[k] + kDensityBeta[k], j[k] = ja[k] + jb[k];
  EXPECT_NEAR(0.5 * testing::packed_trace(kFunctions, d.data(), j.data()), kFittedCoulomb, 1e-9);
}

TEST_F(FitOpenShell, SwappingTheSpinsSwapsTheFitVectors) {
  const char* swapped[] = {"Db", "Da"};
  fit_projection_step(Interaction::coulomb, 1e-10, 2, swapped, "ri.gamma");
  const char* coefficients[] = {"cb", "ca", "c"};
  EXPECT_NEAR(fit_density_step(2, "ri.gamma", coefficients), kFittedCoulomb, 1e-9);
  const char* vectors[] = {"ca", "cb"};
  const char* out[] = {"Ja", "Jb"};
  fit_assembly_step(1e-10, 2, vectors, out, false);
  EXPECT_LT(testing::max_difference(testing::get_reals("Ja"), packed(kCoulombAlpha)), 1e-9);
}

}  // namespace
}  // namespace ostrel
