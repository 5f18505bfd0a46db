// Finite-difference Hessians on an analytic surface: the orders of forward and central
// differences, the records left behind, ranges split over runs, points from the input and
// refused settings.
#include "hessian_fixture.hpp"
#include "support/matrices.hpp"

namespace ostrel {
namespace {

using testing::current_geometry;
using testing::Surface;

// Water pulled towards its reference structure, evaluated away from it.
constexpr const char* kStart = " 8 0 0 0.05\n 1 0 0.82 -0.5\n 1 0 -0.70 -0.45\n";

class SecondDerivatives : public testing::HessianRun {
 protected:
  void SetUp() override {
    HessianRun::SetUp();
    new_run(testing::kWaterAtoms, 2, 0.01);
    surface_.reference = current_geometry();
    surface_.pairs = {{0, 1}, {0, 2}, {1, 2}};
    testing::model = &surface_;
  }
  bool scratch_empty() { return std::filesystem::is_empty(dir_); }
  // The surface at the start structure: energy, gradient and (differences of 1e-4) Hessian.
  void start_point() {
    x_ = current_geometry();
    exact_.assign(45, 0.0);
    g0_.assign(9, 0.0);
    surface_.hessian(x_.data(), exact_.data());
    e0_ = surface_.energy(x_.data(), g0_.data());
  }
  Surface surface_;
  std::vector<double> x_, exact_, g0_;
  double e0_ = 0;
};

TEST_F(SecondDerivatives, DifferencesConvergeAtTheirOrderAndLeaveTheResults) {
  new_run(kStart, 1, 0.01);
  start_point();
  double error[2][2];
  std::string out;
  for (int mode = 1; mode <= 2; ++mode)
    for (int k = 0; k < 2; ++k) {
      new_run(kStart, mode, 0.02 / (k + 1));
      testing::model_scf_runs = testing::model_scf_new_grids = 0;
      ASSERT_EQ(run(&out), 0) << out;
      EXPECT_EQ(testing::model_scf_runs, 1 + 9 * mode);
      // The reference grid carried to the displaced points bent ethane's soft torsion.
      EXPECT_EQ(testing::model_scf_new_grids, 1 + 9 * mode);
      error[mode - 1][k] = testing::max_difference(hessian(9), exact_);
    }
  // Halving the step halves the forward error and quarters the central one.
  EXPECT_NEAR(error[0][0] / error[0][1], 2.0, 0.4);
  EXPECT_NEAR(error[1][0] / error[1][1], 4.0, 0.8);
  EXPECT_LT(error[1][1], 1e-4);

  // The reference point's results are back, the dipole derivatives are the charges.
  EXPECT_DOUBLE_EQ(record_get(rec::Energy), e0_);
  EXPECT_LT(testing::max_difference(testing::get_reals("Gradient", 9), g0_), 1e-14);
  std::vector<double> dipole_x(27), charges(27, 0.0);
  record_read(rec::DipoleX, dipole_x.data(), 27);
  for (int i = 0; i < 9; ++i) charges[3 * i + i % 3] = testing::kCharges[i / 3];
  EXPECT_LT(testing::max_difference(dipole_x, charges), 1e-9);
  EXPECT_EQ(record_field(rec::haveE, &ResultsGiven::hessian), 1);
  EXPECT_TRUE(!store_exists("num_G0") && scratch_empty());
  const auto table = out.find("\n NUMERICAL AND ANALYTICAL GRADIENT\n");
  ASSERT_NE(table, std::string::npos);
  EXPECT_EQ(testing::lines_of(out.substr(table, out.find("eng>", table) - table)).size(), 2u + 9 + 2);
  EXPECT_NE(out.find("\neng> Dx="), std::string::npos);

  // A Hessian already there makes the step a no-op.
  testing::model_scf_runs = 0;
  EXPECT_EQ(run(&out), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(testing::model_scf_runs, 0);
}

// Ranges over runs (equality with one run: DftHessian, with real SCF states to restore).
TEST_F(SecondDerivatives, RangesOverRunsReportWhatIsLeftAndComputeAMissingReference) {
  std::string out;
  new_run(kStart, 2, 0.01, 4, 9);
  EXPECT_EQ(run(&out), 1);
  EXPECT_EQ(testing::model_scf_runs, 7);  // the reference point first
  EXPECT_NE(out.find(" steps 4 to 9\n"), std::string::npos);
  EXPECT_NE(out.find(" steps still to compute: 1-3, 10-18 ("), std::string::npos);
  EXPECT_FALSE(store_exists("Hessian"));
  new_run(kStart, 2, 0.01, 10, 18);
  EXPECT_EQ(run(&out), 1);
  EXPECT_NE(out.find(" 7 of 19 steps done by earlier runs"), std::string::npos);
  // A damaged file is reported and left out.
  for (const auto& f : std::filesystem::directory_iterator(dir_)) std::filesystem::resize_file(f.path(), 100);
  new_run(kStart, 2, 0.01, 0, 3);
  EXPECT_EQ(run(&out), 1);
  EXPECT_NE(out.find(" is not a complete record of earlier steps: not used"), std::string::npos);
  EXPECT_NE(out.find(" steps still to compute: 4-18 ("), std::string::npos);
}

TEST_F(SecondDerivatives, PointsFromTheInputGiveTheComputedHessian) {
  new_run(kStart, 1, 0.02);
  ASSERT_EQ(run(), 0);
  const std::vector<double> computed = hessian(9);
  // "$energyNNN" groups with the model's energy and gradient at every point.
  std::string input;
  std::vector<double> x = current_geometry(), g(9);
  for (int s = 0; s <= 9; ++s) {
    std::vector<double> xs = x;
    if (s > 0) xs[s - 1] += 0.02;
    char text[64];
    std::snprintf(text, sizeof text, "$energy%03d e=%.17g g=", s, surface_.energy(xs.data(), g.data()));
    input += text;
    for (int k = 0; k < 9; ++k) {
      std::snprintf(text, sizeof text, "%s%.17g", k ? "," : "", g[k]);
      input += text;
    }
    input += " $end\n";
  }
  new_run(kStart, 1, 0.02, -1, -1);
  testing::model_scf_runs = 0;
  testing::with_stdin(input, [&] { EXPECT_EQ(run(), 0); });
  EXPECT_EQ(testing::model_scf_runs, 0);
  EXPECT_LT(testing::max_difference(hessian(9), computed), 1e-9);

  const std::string without_step_4 = input.substr(0, input.find("$energy004")) + input.substr(input.find("$energy005"));
  new_run(kStart, 1, 0.02, -1, -1);
  testing::with_stdin(without_step_4, [&] { EXPECT_FATAL(run(), "$energy004: no energy and gradient for step 4"); });
}

// The Kohn-Sham theory has no analytic second derivatives: the driver's level 2 takes
// central differences of its gradients along the 3N - 6 internal directions (the rigid
// motions follow from the gradient and dipole exactly) and leaves the reference point's
// results.
TEST_F(SecondDerivatives, AnalyticRequestIsServedByTheDriverWithDifferences) {
  new_run(kStart, 0, 0.0);
  start_point();
  std::string out;
  ASSERT_EQ(run(&out), 0);
  EXPECT_NE(out.find("\n ANALYTICAL COMPUTATION OF SECOND DERIVATIVES\n"), std::string::npos);
  EXPECT_NE(out.find(" second derivatives by central differences of analytic gradients (6 gradients"), std::string::npos);
  EXPECT_EQ(testing::model_scf_runs, 7);
  EXPECT_EQ(testing::model_scf_new_grids, 7);  // every displaced point builds its own grid
  EXPECT_EQ(record_get(rec::grid_adapt), 1);
  EXPECT_LT(testing::max_difference(hessian(9), exact_), 4e-5);  // step 0.005 bohr
  EXPECT_DOUBLE_EQ(record_get(rec::Energy), e0_);
  EXPECT_DOUBLE_EQ(record_get(rec::Gradient, 4), g0_[4]);
  EXPECT_NEAR(record_get(rec::DipoleX, 4 * 3 + 1), testing::kCharges[1], 1e-9);
  EXPECT_EQ(record_get(rec::NEval), 1);
  EXPECT_EQ(current_geometry(), x_);
  // A linear structure has one rigid direction less: 3N - 5 = 4 internal ones.
  new_run(" 8 0 0 0.05\n 1 0 0 1.02\n 1 0 0 -0.9\n", 0, 0.0);
  start_point();
  ASSERT_EQ(run(&out), 0);
  EXPECT_NE(out.find("(8 gradients"), std::string::npos);
  EXPECT_LT(testing::max_difference(hessian(9), exact_), 4e-5);
}

TEST_F(SecondDerivatives, RefusedSettingsStopWithOneLine) {
  new_run(kStart, 3, 0.01);
  EXPECT_FATAL(run(), "displace=3?");
  new_run(kStart, 2, 0.0);
  EXPECT_FATAL(run(), "length=0?");
  new_run(kStart, 1, 0.01, 0, 10);
  EXPECT_FATAL(run(), "steps=0,10? (steps 0 to 9;");
}

}  // namespace
}  // namespace ostrel
