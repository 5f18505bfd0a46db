#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/basis_input.hpp"
#include "model/molecule_input.hpp"
#include "runtime/store.hpp"
#include "scf/procedure/scf_one_electron.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"
#include "support/model_input.hpp"
#include "support/runtime_fixture.hpp"
#include "support/records.hpp"

namespace ostrel {
namespace {

const std::string kDef2 = std::string(OSTREL_SOURCE_DIR) + "/data/basis/def2";
constexpr double kBohr = 1.8897259885789233;

// Water with the oxygen off the origin, so the field term of its functions is not zero.
const double kXyz[3][3] = {{0.0, 0.0, 0.5}, {0.0, 0.757, 1.087}, {0.0, -0.757, 1.087}};
const double kZ[3] = {8.0, 1.0, 1.0};

class ScfOneElectron : public testing::RuntimeTest {
 protected:
  void prepare(int fit, int n3fit, const double field[3]) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "$molecule cartesian\n set=def2-SVP\n 8 %g %g %g\n 1 %g %g %g\n 1 %g %g %g\n$end\n",
                  kXyz[0][0], kXyz[0][1], kXyz[0][2], kXyz[1][0], kXyz[1][1], kXyz[1][2],
                  kXyz[2][0], kXyz[2][1], kXyz[2][2]);
    testing::read_test_molecule(text);
    testing::read_program_basis(kDef2);
    if (fit) testing::captured_stdout([&] { read_basis(kDef2.c_str(), "basis2", "Basis2", "Nfit", "n_fit", 0, 0, fit == 'V'); });
    const double cut[2] = {1e-10, 1e-6};
    store_write("cutij", 0, cut, sizeof cut);
    store_write("field", 0, field, 24);
    store_put("four", 0);
    const int necp[2] = {0, 0};
    store_write("Necp", 0, necp, 8);
    store_put("fit", fit);
    store_put("N3fit", n3fit);
  }
  std::string run() {
    ::testing::internal::CaptureStdout();
    scf_one_electron_setup();
    return ::testing::internal::GetCapturedStdout();
  }
};

TEST_F(ScfOneElectron, FieldAddsToTheNuclearEnergyAndSubtractsTheDipoleFromH0) {
  const double none[3] = {0.0, 0.0, 0.0};
  prepare(0, 0, none);
  const std::string quiet = run();
  EXPECT_EQ(quiet.find("Applied"), std::string::npos);
  const double enn0 = store_get<double>("Enn");
  const std::vector<double> s = testing::get_reals("S"), h0 = testing::get_reals("H0");

  // Naive nuclear repulsion from the input coordinates.
  double enn = 0.0;
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < a; ++b) {
      double r2 = 0.0;
      for (int k = 0; k < 3; ++k) r2 += std::pow(kBohr * (kXyz[a][k] - kXyz[b][k]), 2);
      enn += kZ[a] * kZ[b] / std::sqrt(r2);
    }
  EXPECT_NEAR(enn0, enn, 1e-12);
  EXPECT_NEAR(s[0], 1.0, 1e-12);  // normalised oxygen 1s

  store_close();
  SetUp();
  const double field[3] = {0.0, 0.0, 0.01};
  prepare(0, 0, field);
  const std::string out = run();
  EXPECT_NE(out.find(" Applied electric field = ( 0.00000000,  0.00000000,  0.01000000)\n"),
            std::string::npos) << out;
  double dipole = 0.0;
  for (int a = 0; a < 3; ++a) dipole += kZ[a] * kBohr * kXyz[a][2];
  EXPECT_NEAR(store_get<double>("Enn") - enn0, 0.01 * dipole, 1e-12);
  // The oxygen 1s sits on the oxygen: <1s|z|1s> = z_O.
  const std::vector<double> h0f = testing::get_reals("H0");
  EXPECT_NEAR(h0f[0] - h0[0], -0.01 * kBohr * kXyz[0][2], 1e-11);
  EXPECT_EQ(testing::get_reals("S"), s);
}

TEST_F(ScfOneElectron, CoulombFitStoresMomentsInverseMetricAndProjection) {
  const double none[3] = {0.0, 0.0, 0.0};
  prepare('V', 'V', none);
  run();
  const int m = store_get<int>("Nfit");
  ASSERT_GT(m, 0);
  const std::vector<double> inv = testing::get_reals("invA"), s = testing::get_reals("s"), p = testing::get_reals("p");
  ASSERT_EQ(inv.size(), static_cast<std::size_t>(m) * (m + 1) / 2);
  ASSERT_EQ(s.size(), 4u * m);
  ASSERT_EQ(p.size(), static_cast<std::size_t>(m));
  // p = invA s by the full matrix, and s . invA s > 0 (the metric is positive definite).
  double quadratic = 0.0;
  for (int i = 0; i < m; ++i) {
    double sum = 0.0;
    for (int j = 0; j < m; ++j) {
      const int hi = i > j ? i : j, lo = i > j ? j : i;
      sum += inv[static_cast<std::size_t>(hi) * (hi + 1) / 2 + lo] * s[j];
    }
    EXPECT_NEAR(p[i], sum, 1e-10 * (1.0 + std::fabs(sum))) << i;
    quadratic += s[i] * p[i];
  }
  EXPECT_GT(quadratic, 0.0);
}

TEST_F(ScfOneElectron, OverlapMetricNeedsN3fit) {
  const double none[3] = {0.0, 0.0, 0.0};
  prepare('S', 0, none);
  testing::captured_stdout([&] { EXPECT_FATAL(scf_one_electron_setup(), "overlap-metric fit needs N3fit"); });
}

}  // namespace
}  // namespace ostrel
