// The fitted Coulomb steps for an open-shell density: the OH radical with def2-SVP and the
// def2-universal-jfit fitting set from the basis library, against Psi4's DF-J for the same
// alpha and beta densities.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "fit_open_shell_reference_data.hpp"
#include "integrals/fit_driver.hpp"
#include "model/basis_input.hpp"
#include "model/molecule_input.hpp"
#include "runtime/store.hpp"
#include "support/model_input.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using namespace fit_open_shell_reference;

std::vector<double> read_doubles(const char* name, long n) {
  std::vector<double> v(n);
  store_read(name, 0, v.data(), n * static_cast<long>(sizeof(double)));
  return v;
}

void write_doubles(const char* name, const double* v, long n) {
  const long bytes = n * static_cast<long>(sizeof(double));
  if (!store_exists(name)) store_alloc(name, bytes);
  store_write(name, 0, v, bytes);
}

class FitOpenShell : public testing::RuntimeTest {
 protected:
  static constexpr int n2 = kFunctions * (kFunctions + 1) / 2;
  void SetUp() override {
    RuntimeTest::SetUp();
    char text[256];
    std::snprintf(text, sizeof text,
                  "$molecule units=b multiplicity=2 cartesian\n 8 %.17g %.17g %.17g\n 1 %.17g %.17g %.17g\n$end\n",
                  kCoordinates[0], kCoordinates[1], kCoordinates[2], kCoordinates[3], kCoordinates[4],
                  kCoordinates[5]);
    testing::read_test_molecule(text);
    testing::read_program_basis(testing::basis_library("def2"));
    testing::read_program_basis(testing::basis_library("def2"), true);
    testing::captured_stdout([] {
      fit_metric_step(1e-10);
      fit_setup_step(1e-10, false);
    });
    write_doubles("Da", kDensityAlpha, n2);
    write_doubles("Db", kDensityBeta, n2);
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
  const std::vector<double> ja = read_doubles("Ja", n2), jb = read_doubles("Jb", n2);
  double worst_a = 0.0, worst_b = 0.0;
  for (int k = 0; k < n2; ++k) {
    worst_a = std::max(worst_a, std::abs(ja[k] - kCoulombAlpha[k]));
    worst_b = std::max(worst_b, std::abs(jb[k] - kCoulombBeta[k]));
  }
  EXPECT_LT(worst_a, 1e-9);
  EXPECT_LT(worst_b, 1e-9);
  // the spins differ by one electron, so their Coulomb matrices must differ visibly
  double spread = 0.0;
  for (int k = 0; k < n2; ++k) spread = std::max(spread, std::abs(kCoulombAlpha[k] - kCoulombBeta[k]));
  EXPECT_GT(spread, 0.1);

  // The energy is 1/2 tr((Da + Db)(Ja + Jb)) of the fitted matrices.
  double e = 0.0;
  for (int i = 0, k = 0; i < kFunctions; ++i)
    for (int j = 0; j <= i; ++j, ++k)
      e += (i == j ? 0.5 : 1.0) * (kDensityAlpha[k] + kDensityBeta[k]) * (ja[k] + jb[k]);
  EXPECT_NEAR(e, kFittedCoulomb, 1e-9);
}

TEST_F(FitOpenShell, SwappingTheSpinsSwapsTheFitVectors) {
  const char* swapped[] = {"Db", "Da"};
  fit_projection_step(Interaction::coulomb, 1e-10, 2, swapped, "ri.gamma");
  const char* coefficients[] = {"cb", "ca", "c"};
  EXPECT_NEAR(fit_density_step(2, "ri.gamma", coefficients), kFittedCoulomb, 1e-9);
  const char* vectors[] = {"ca", "cb"};
  const char* out[] = {"Ja", "Jb"};
  fit_assembly_step(1e-10, 2, vectors, out, false);
  const std::vector<double> ja = read_doubles("Ja", n2);
  for (int k = 0; k < n2; ++k) EXPECT_NEAR(ja[k], kCoulombAlpha[k], 1e-9) << k;
}

}  // namespace
}  // namespace ostrel
