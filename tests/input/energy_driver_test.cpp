// The energy driver's bookkeeping around the Kohn-Sham steps: guess on the first call only,
// the field line, the convergence guard before derivatives, the evaluation count and the
// "eng>" block (whose round trip the result-group tests check).
#include "input/energy_driver.hpp"

#include <cmath>

#include "support/capture.hpp"
#include "support/records.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

// Stand-ins for the Kohn-Sham steps: each counts its calls, prints a marker and leaves what the
// real step leaves behind.
struct EnergyCalls {
  int guess = 0, scf = 0, save = 0, report = 0, gradient = 0;
  std::string saved_file, reported_theory;
  int saved_basis = -1;
  double gmax = 1e-7;  // the SCF's largest orbital gradient
};
EnergyCalls calls;

void fake_guess() {
  ++calls.guess;
  std::printf("<guess>\n");
}
void fake_scf() {
  ++calls.scf;
  std::printf("<scf>\n");
  store_put("Energy", -76.25);
  testing::put_reals("Dipole", {0.0, 0.0, 0.75});
  store_write("scf_Gmax", 0, &calls.gmax, sizeof calls.gmax);
  testing::put_ints("NevalF", {11 * calls.scf, 2});
}
void fake_save(const char* file, int n_basis) {
  ++calls.save;
  calls.saved_file = file;
  calls.saved_basis = n_basis;
  std::printf("<save>\n");
}
void fake_report(const char* theory) {
  ++calls.report;
  calls.reported_theory = theory;
  std::printf("<report>\n");
}
void fake_gradient() {
  ++calls.gradient;
  std::printf("<gradient>\n");
  testing::put_reals("Gradient", {0.0, 0.0, 0.001, 0.0, 0.0, -0.001});
}

constexpr EnergyProcedures kFakes{fake_guess, fake_scf, fake_save, fake_report, fake_gradient};

class EnergyDriver : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    calls = EnergyCalls{};
    store_put_text("theory", "DFT", 64);
    testing::put_ints("Natom", {2, 0});
    store_put("NEval", 0);
    set_field(0.0, 0.0, 0.0);
    store_put("four", 0);
    store_put("restrict", 1);
    testing::put_ints("Na", {5, 0});
    testing::put_ints("Nb", {5, 0});
    store_put("Nbasis", 24);
    testing::put_ints("polariz", {0, 1});
    store_put("magnetic", 0);
    store_put_text("scfsave", "water.vec", 128);
    store_put("nwave", 0);
    store_alloc("Energy", 8);
    store_alloc("Dipole", 72);
    store_alloc("Gradient", 48);
  }
  void set_field(double x, double y, double z) { testing::put_reals("field", {x, y, z}); }
  std::string run(int level) { return testing::captured_stdout([&] { evaluate_with(level, kFakes); }); }
};

// The guess runs before the first evaluation only, every call counts, and a field line
// stands before the SCF only for a non-zero field.
TEST_F(EnergyDriver, EnergyRunsTheStepsInOrderAndPrintsTheResultsGroup) {
  EXPECT_EQ(run(0),
            "<guess>\n<scf>\n  11 F,    2 F1\n<save>\n<report>\n"
            "\n\neng>$Energy\neng> E=-7.625000000000e+01\n"
            "eng> D= 0.00000000e+00  0.00000000e+00  7.50000000e-01\neng>$end\n\n");
  EXPECT_EQ(calls.saved_file + ":" + calls.reported_theory, "water.vec:DFT");
  EXPECT_EQ((std::vector<int>{calls.saved_basis, calls.gradient, store_get<int>("Derivative")}),
            (std::vector<int>{24, 0, 0}));
  run(0);
  set_field(0.0, 0.0, -0.01);
  const std::string third = run(0);
  EXPECT_EQ((std::vector<int>{calls.guess, calls.scf, store_get<int>("NEval")}), (std::vector<int>{1, 3, 3}));
  EXPECT_EQ(third.substr(0, third.find("<scf>")), "\n field= 0.000000, 0.000000,-0.010000\n\n");
  EXPECT_NE(third.find("  33 F,    2 F1\n"), std::string::npos);
}

TEST_F(EnergyDriver, GradientOnlyFromAConvergedScf) {
  calls.gmax = 0.002;
  EXPECT_FATAL(run(1), "\n SCF is far from convergence\n");
  // The run stops before the count.
  EXPECT_EQ((std::vector<int>{calls.gradient, store_get<int>("NEval"), store_get<int>("Derivative")}),
            (std::vector<int>{0, 0, 1}));

  calls.gmax = 0.0005;
  const std::string out = run(1);
  EXPECT_EQ(calls.gradient, 1);
  EXPECT_NE(out.find("<report>\n<gradient>\n\n\neng>$Energy\n"), std::string::npos);
  EXPECT_NE(out.find("eng> G= 0.00000000e+00  0.00000000e+00  1.00000000e-03\n"
                     "eng>    0.00000000e+00  0.00000000e+00 -1.00000000e-03\n"
                     "eng>$end\n\n G(max) = 0.00100000\n\n"),
            std::string::npos);
  EXPECT_EQ(store_get<int>("NEval"), 1);
  calls.gmax = 1e-3;  // the threshold itself passes
  run(1);
  EXPECT_EQ(calls.gradient, 2);
  calls.gmax = std::nan("");
  EXPECT_FATAL(run(1), "SCF is far from convergence");
}

// (The Hessian itself comes from differences of gradients: tests/geometry/hessian.)
TEST_F(EnergyDriver, HessianNeedsATighterScf) {
  calls.gmax = 0.0005;
  EXPECT_FATAL(run(2), "\n SCF is far from convergence\n");
  EXPECT_EQ(calls.gradient, 0);
}

TEST_F(EnergyDriver, TheoriesWithoutCodeStopBeforeAnyWork) {
  store_put_text("theory", "LEDFT", 64);
  EXPECT_FATAL(run(1), "\n theory LEDFT is not available in this build\n");
  store_put_text("theory", "DFT", 64);
  store_put("four", 1);
  EXPECT_FATAL(run(0), "\n theory DFT with four=1 is not available in this build\n");
  EXPECT_EQ(calls.guess + calls.scf, 0);
  EXPECT_FATAL(run(3), "derivative level 3?");
}

}  // namespace
}  // namespace ostrel
