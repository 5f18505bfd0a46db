// Anharmonic mode scans on analytic surfaces: exact Morse levels, and a scan stopped after
// one mode and resumed from its printed restart blocks.
#include "geometry/vibrations/anharmonic_scan.hpp"
#include "geometry/vibrations/oscillator_levels.hpp"
#include "geometry/vibrations/vibration_constants.hpp"
#include "model/units.hpp"
#include "../model_surface.hpp"

namespace ostrel {
namespace {

using testing::current_geometry;
using testing::put_reals;

constexpr double kCm = 1.0 / kWavenumbersPerHartree;

// The tagged restart lines of a report, without their tag: an input file.
std::string restart_input(const std::string& report) {
  std::string input;
  for (const std::string& line : testing::lines_of(report))
    if (line.rfind("surf>", 0) == 0) input += line.substr(5) + "\n";
  return input;
}

class Anharmonic : public testing::RuntimeTest {
 protected:
  // Molecule, packed Hessian and reference energy as the Hessian step leaves them.
  void set_up(const char* atoms, const std::vector<double>& hessian) {
    store_clear();
    testing::read_test_molecule(testing::molecule_group(atoms));
    put_reals("Hessian", hessian);
    store_put("Energy", 0.0);
  }
  AnharmonicResult scan(const EnergyAtGeometry& energy, const std::string& input = "") {
    AnharmonicResult r;
    testing::captured_stdout([&] { testing::with_stdin(input, [&] { r = anharmonic_scan(energy); }); });
    return r;
  }
};

TEST_F(Anharmonic, MorseDiatomicGivesTheExactMorseLevels) {
  // CO-like and H2-like Morse oscillators (w, wx in cm^-1, bond length in angstrom). H2's
  // steep wall holds only three scan points, and eight oscillator functions leave its level
  // 1 about 1.1 cm^-1 high and cannot hold level 2.
  struct Case {
    const char* atoms;
    double w, wx, re, m1, m2;
    int levels;
    double tolerance_above_0;
  };
  for (const Case c : {Case{" 6 0 0 0\n 8 0 0 1.128\n", 2170, 13.3, 1.128, 12.0, 15.99491, 3, 1.0},
                       Case{" 1 0 0 0\n 1 0 0 0.7414\n", 4401, 121.3, 0.7414, 1.00782503, 1.00782503, 2, 1.5}}) {
    const double w = c.w * kCm, wx = c.wx * kCm, depth = w * w / (4 * wx), re = c.re * kBohrPerAngstrom;
    const double mu = c.m1 * c.m2 / (c.m1 + c.m2) * kElectronMassesPerAmu;
    const double k = mu * w * w, beta = std::sqrt(k / (2 * depth));
    // Along z: H_zz blocks +k on the atoms, -k between them.
    std::vector<double> h(21, 0.0);
    h[packed_index(2, 2)] = h[packed_index(5, 5)] = k;
    h[packed_index(5, 2)] = -k;
    set_up(c.atoms, h);
    const AnharmonicResult r = scan([&] {
      const std::vector<double> x = current_geometry();
      const double e = 1 - std::exp(-beta * (atom_distance(x.data(), 0, 1) - re));
      return depth * e * e;
    });
    ASSERT_EQ(r.modes.size(), 1u);
    EXPECT_NEAR(r.modes[0].omega, w, 1e-9);
    for (int n = 0; n < c.levels; ++n)
      EXPECT_NEAR(r.modes[0].levels[n], w * (n + 0.5) - wx * (n + 0.5) * (n + 0.5),
                  (n == 0 ? 0.2 : c.tolerance_above_0) * kCm)
          << c.w << " level " << n;
    EXPECT_NEAR(r.anharmonic_zpe - r.harmonic_zpe, -wx / 4, 0.5 * kCm);
    // Each side stops once the energy passes 6.5 harmonic levels, within 7 points.
    EXPECT_GE(r.modes[0].x.size(), 6u);
    EXPECT_LE(r.modes[0].x.size(), 15u);
    EXPECT_EQ(current_geometry()[5], re);  // the reference geometry is back
  }
}

TEST_F(Anharmonic, SoftModeStopsAfterSevenPointsOnEachSide) {
  std::vector<double> h(21, 0.0);
  h[packed_index(2, 2)] = h[packed_index(5, 5)] = 0.5;
  h[packed_index(5, 2)] = -0.5;
  set_up(" 1 0 0 0\n 9 0 0 0.92\n", h);
  // A curve a hundred times softer than the Hessian never reaches 6.5 harmonic levels.
  const AnharmonicResult r = scan([&] {
    const std::vector<double> x = current_geometry();
    const double d = atom_distance(x.data(), 0, 1) - 0.92 * kBohrPerAngstrom;
    return 0.0025 * d * d;
  });
  ASSERT_EQ(r.modes.size(), 1u);
  EXPECT_EQ(r.modes[0].x.size(), 15u);
}

TEST_F(Anharmonic, ScanStoppedAfterOneModeResumesFromItsRestartBlocks) {
  // Bent triatomic held by Morse pair terms: three modes.
  testing::Surface s;
  testing::set_up_run(testing::kWaterAtoms, "");
  s.reference = current_geometry();
  s.pairs = {{0, 1}, {0, 2}, {1, 2}};
  std::vector<double> h(45), g(9);
  s.hessian(s.reference.data(), h.data());
  int evaluations = 0, limit = 1 << 30;
  const EnergyAtGeometry energy = [&] {
    if (++evaluations > limit) throw std::runtime_error("stopped");
    return s.energy(current_geometry().data(), g.data());
  };

  set_up(testing::kWaterAtoms, h);
  const AnharmonicResult whole = scan(energy);
  ASSERT_EQ(whole.modes.size(), 3u);

  set_up(testing::kWaterAtoms, h);
  evaluations = 0;
  limit = 1 + static_cast<int>(whole.modes[0].x.size()) - 1;  // equilibrium and mode 1
  const std::string stopped = testing::captured_stdout([&] {
    try {
      testing::with_stdin("", [&] { anharmonic_scan(energy); });
    } catch (const std::runtime_error&) {
    }
  });
  ASSERT_EQ(evaluations, limit + 1);

  set_up(testing::kWaterAtoms, h);
  evaluations = 0;
  limit = 1 << 30;
  const AnharmonicResult resumed = scan(energy, restart_input(stopped));
  EXPECT_EQ(evaluations, 1 + static_cast<int>(whole.modes[1].x.size() + whole.modes[2].x.size()) - 2);
  for (int m = 0; m < 3; ++m)
    for (int n = 0; n < 4; ++n) EXPECT_NEAR(resumed.modes[m].levels[n], whole.modes[m].levels[n], 1e-3 * kCm);
  EXPECT_NEAR(resumed.anharmonic_zpe, whole.anharmonic_zpe, 1e-3 * kCm);
}

TEST(CubicSpline, ReproducesCubicsAndContinuesAlongTheEndTangents) {
  const auto f = [](double t) { return t * t * t - 2 * t * t + 1; };
  const double x[5] = {-1, -0.2, 0.5, 1.1, 2}, knots[3] = {0, 1, 2}, bump[3] = {0, 1, 0};
  double y[5], m[5], work[5];
  for (int i = 0; i < 5; ++i) y[i] = f(x[i]);
  spline_curvatures(5, x, y, m, work);
  for (double t : {-0.7, 0.1, 0.9, 1.7}) EXPECT_NEAR(spline_value(5, x, y, m, t), f(t), 1e-12);
  EXPECT_NEAR(spline_value(5, x, y, m, 3.0), f(2) + 4, 1e-12);  // f'(2) = 4
  // Three points give their parabola 1 - (t - 1)^2, two their line.
  spline_curvatures(3, knots, bump, m, work);
  EXPECT_NEAR(spline_value(3, knots, bump, m, 0.5), 0.75, 1e-14);
  EXPECT_NEAR(spline_value(3, knots, bump, m, -1.0), -2, 1e-14);
  spline_curvatures(2, knots, knots, m, work);
  EXPECT_NEAR(spline_value(2, knots, knots, m, 0.25), 0.25, 1e-14);
}

}  // namespace
}  // namespace ostrel
