// The relaxed scan of the peroxide torsion (path_surface.hpp): every point holds its torsion
// and has the energy of a separate constrained optimisation there.
#include "geometry/paths/coordinate_scan.hpp"
#include "geometry/run_optimization.hpp"
#include "path_surface.hpp"

namespace ostrel {
namespace {

using testing::kTorsion;

class Scan : public testing::PathSurfaceTest {
 protected:
  static std::vector<testing::ListedPoint> points(const std::string& out) {
    return testing::listed_points(out, "Scan Structures:", "SCAN>", "SCAN> n=%d, s=%lf, E=%lf");
  }
};

TEST_F(Scan, EveryPointHoldsItsTargetMatchesASeparateOptimisationAndSurvivesAKill) {
  const std::string options = "fix=3,3,1,2,4 value=100,160 tolerance=1e-7";
  const std::string out = run_task(coordinate_scan_with, "SCAN", testing::kTwistedPeroxide, options);
  const std::vector<testing::ListedPoint> scan = points(out);
  ASSERT_EQ(scan.size(), 7u) << out;
  for (int i = 0; i < 7; ++i) {
    EXPECT_NEAR(scan[i].s, i / 6.0, 1e-6);
    EXPECT_NEAR(std::fabs(scan[i].torsion) * 57.29577951308232, 100.0 + 10.0 * i, 1e-6) << i;
  }
  // Towards the planar barrier the energy rises.
  for (int i = 1; i < 7; ++i) EXPECT_GT(scan[i].e, scan[i - 1].e);
  EXPECT_NE(out.find("E(s) - E(0)"), std::string::npos);
  // Killed after two thirds of its gradients, the scan continues from its kept points.
  const int evaluations = testing::g_levels[1];
  store_clear();
  testing::g_stop_after = evaluations * 2 / 3;
  EXPECT_FATAL(run_task(coordinate_scan_with, "SCAN", testing::kTwistedPeroxide, options), "");
  store_clear();
  testing::g_levels[1] = 0;
  testing::g_stop_after = -1;
  const std::string rest = run_task(coordinate_scan_with, "SCAN", testing::kTwistedPeroxide, options);
  EXPECT_NE(rest.find("continuing the scan after point"), std::string::npos) << rest;
  EXPECT_LT(testing::g_levels[1], evaluations / 2);
  const std::vector<testing::ListedPoint> again = points(rest);
  ASSERT_EQ(again.size(), 7u) << rest;
  for (int i = 0; i < 7; ++i) EXPECT_NEAR(again[i].e, scan[i].e, 1e-9) << i;
  // Point 2 (120 degrees) by itself.
  store_clear();
  run_task(run_optimization_with, "OPTIMIZE", testing::kTwistedPeroxide, "fix=3,3,1,2,4 value=120 tolerance=1e-7");
  const std::vector<double> x = testing::current_geometry();
  std::vector<double> g(x.size());
  EXPECT_NEAR(surface_.energy(x.data(), g.data()), scan[2].e, 1e-7);
  EXPECT_LT(scan[2].e, -0.002);
}

TEST_F(Scan, OnePointIsNotAScan) {
  EXPECT_FATAL(run_task(coordinate_scan_with, "SCAN", testing::kTwistedPeroxide, "fix=3,3,1,2,4 value=100,170 points=1"),
               "a scan needs at least 2 points");
}

}  // namespace
}  // namespace ostrel
