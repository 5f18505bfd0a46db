// Kohn-Sham Hessians by differences of analytic gradients: a range split over three runs
// (each a fresh store, as separate program runs) reproduces the one-run Hessian; the water
// Hessian at its minimum is symmetric and free of rigid motions, and agrees with Psi4.
#include "geometry/step_tools.hpp"
#include "hessian_fixture.hpp"
#include "input/common_setup.hpp"
#include "input/control_options.hpp"
#include "geometry/vibrations/generated/psi4_vibration_data.hpp"
#include "support/matrices.hpp"

namespace ostrel {
namespace {

class DftHessian : public testing::HessianRun {
 protected:
  // A fresh store set up from the input, as a program run starts.
  int run_input(const std::string& input, std::string* out = nullptr) {
    store_clear();
    int status = -1;
    testing::FatalTrap trap;
    const std::string text = testing::captured_stdout([&] {
      testing::with_stdin(input, [&] {
        control_step(stdin);
        common_setup("HESSIAN", stdin);
        status = second_derivatives();
      });
    });
    if (out) *out = text;
    return status;
  }
};

std::string hydrogen_fluoride(const char* steps) {
  std::string input = "$control task=hessian theory=dft basis=def2-svp fit=J derivative=numeric $end\n"
                      "$d2edr2 length=0.01 displace=1 steps=";
  input += steps;
  return input += " $end\n$molecule\n cartesian\n 9 0 0 0\n 1 0.05 0 0.92\n$end\n"
                  "$dft functional=pbe $end $scf fitxc=0 convergence=1e-8 $end $grid accuracy=1e-6 $end\n";
}

// Every run after the first starts from the kept reference orbitals and grid, so its points
// are the one-run points to the last bit that matters.
TEST_F(DftHessian, ThreeRunsOverThreeRangesGiveTheOneRunHessian) {
  ASSERT_EQ(run_input(hydrogen_fluoride("0,-1")), 0);
  const std::vector<double> whole = hessian(6);
  const char* ranges[3] = {"0,2", "3,4", "5,-1"};
  for (int r = 0; r < 3; ++r) {
    std::string out;
    ASSERT_EQ(run_input(hydrogen_fluoride(ranges[r]), &out), r < 2 ? 1 : 0) << out;
  }
  const std::vector<double> split = hessian(6);
  for (std::size_t i = 0; i < whole.size(); ++i) EXPECT_NEAR(split[i], whole[i], 1e-10) << i;
  EXPECT_TRUE(std::filesystem::is_empty(dir_));
}

std::string water(const char* atoms, const char* steps) {
  std::string input = "$control task=hessian theory=dft basis=def2-svp fit=J derivative=numeric $end\n"
                      "$molecule\n cartesian\n";
  input += atoms;
  input += "$end\n$dft functional=pbe $end $scf fitxc=0 convergence=1e-8 $end $grid accuracy=1e-10 $end\n";
  input += "$d2edr2 length=0.005 steps=";
  input += steps;
  return input += " $end\n";
}

// This program's water minimum (examples/water_optimize.inp, gradient below 1e-6), in two
// runs: the first leaves the raw differences in the store.
TEST_F(DftHessian, LongWaterMinimumIsSymmetricAndFreeOfRigidMotions) {
  const char* minimum = " 8 0 0 0.0181034537\n 1 0 0.7576925924 -0.5949337268\n 1 0 -0.7576925924 -0.5949337268\n";
  ASSERT_EQ(run_input(water(minimum, "0,17")), 1);
  std::vector<double> g1(81), g2(81), t(54);
  record_read(rec::num_G1, g1.data(), 81);
  record_read(rec::num_G2, g2.data(), 81);
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < i; ++j)
      EXPECT_NEAR((g1[9 * i + j] - g2[9 * i + j]) / 0.01, (g1[9 * j + i] - g2[9 * j + i]) / 0.01, 2e-5) << i << j;
  ASSERT_EQ(run_input(water(minimum, "18,18")), 0);
  const std::vector<double> h = hessian(9), x = testing::current_geometry();
  ASSERT_EQ(translation_rotation_vectors(3, x.data(), t.data()), 6);
  // Translations move the atom-centred grid along; rotations turn the molecule against the
  // atoms' fixed grid orientations, which costs it a few 1e-5 of curvature (as much with a
  // step of 0.0025: not a difference error).
  for (int a = 0; a < 6; ++a) {
    double curvature = 0;
    for (int i = 0; i < 9; ++i)
      for (int j = 0; j < 9; ++j) curvature += t[9 * a + i] * h[packed_index(std::max(i, j), std::min(i, j))] * t[9 * a + j];
    EXPECT_LT(std::fabs(curvature), a < 3 ? 1e-8 : 1e-4) << a;
  }
}

// Psi4 1.3.2 at the water minimum of the shared reference set (RKS PBE/def2-SVP, RI-J with
// def2-universal-jfit, XC on a 200 x 974 grid, findif 3-point central differences (0.005) of
// analytic gradients): the Hessian of the vibrational tests (tools/vibrations_psi4_reference.py,
// packed lower triangle, hartree/bohr^2), which water_hessian_psi4_reference.py reproduces
// within 5e-10.
TEST_F(DftHessian, LongWaterAgreesWithPsi4) {
  ASSERT_EQ(run_input(water(" 8 0 0 0.068607868472774225\n 1 0 0.75769294644985674 -0.54442832999720292\n"
                            " 1 0 -0.75769294644985674 -0.54442832999720292\n", "0,-1")), 0);
  const auto& psi4 = testing::psi4::water_hessian;
  const double worst = testing::max_difference(hessian(9), std::vector<double>(std::begin(psi4), std::end(psi4)));
  EXPECT_LT(worst, 2e-4);
  std::printf("water Hessian: largest difference from Psi4 %.2e hartree/bohr^2\n", worst);
}

}  // namespace
}  // namespace ostrel
