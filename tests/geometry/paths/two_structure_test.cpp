// The tasks that start from two structures, across the peroxide torsion barrier
// (path_surface.hpp): from +100 to -100 degrees the way leads through the planar trans
// structure, the saddle point.
#include <algorithm>

#include "geometry/paths/approximate_saddle.hpp"
#include "geometry/paths/minimum_energy_path.hpp"
#include "geometry/paths/path_coordinates.hpp"
#include "geometry/paths/synchronous_transit.hpp"
#include "path_surface.hpp"

namespace ostrel {
namespace {

constexpr const char* kPlus100 = " 8 0 0 0\n 8 1.45 0 0\n 1 -0.25 0.92 0\n 1 1.70 -0.159757 0.906024\n";
constexpr const char* kMinus100 = " 8 0 0 0\n 8 1.45 0 0\n 1 -0.25 0.92 0\n 1 1.70 -0.159757 -0.906024\n";
constexpr const char* kMinus120 = " 8 0 0 0\n 8 1.45 0 0\n 1 -0.25 0.92 0\n 1 1.70 -0.46 -0.796743\n";

class TwoEnds : public testing::PathSurfaceTest {
 protected:
  std::string run(void (*task)(Evaluator), const char* name, const std::string& options, int structures = 2,
                  const char* second = kMinus100) {
    return testing::captured_stdout([&] {
      std::string input = testing::molecule_group(kPlus100);
      if (structures > 1) input += testing::molecule_group(second);
      input += "$optimize " + options + " $end\n";
      testing::with_stdin(input, [] { read_molecule_chain(); });
      record_put_text(rec::task, name, 64);
      record_put(rec::grid, 0);
      testing::with_stdin(input, [] { read_optimize_options(); });
      task(testing::surface_evaluate);
    });
  }
  // The stored structure is the saddle point: planar trans, at the barrier's energy.
  void expect_saddle_point() {
    const std::vector<double> x = testing::current_geometry();
    EXPECT_NEAR(std::fabs(coordinate_value(testing::kTorsion, x.data(), nullptr, nullptr)), M_PI, 1e-5);
    std::vector<double> g(x.size());
    EXPECT_NEAR(surface_.energy(x.data(), g.data()), 0.005, 1e-9);
  }
};

TEST_F(TwoEnds, TheMiddleOfTheTransitChainIsTheSaddlePoint) {
  const std::string out = run(synchronous_transit_with, "TRANSIT", "points=5 tolerance=1e-6");
  const std::vector<testing::ListedPoint> chain =
      testing::listed_points(out, "SYNCHRONOUS TRANSIT PATH:", "PATH>", "PATH> Point %d: s = %lf E = %lf");
  ASSERT_EQ(chain.size(), 5u) << out;
  EXPECT_NE(out.find("highest point: 2"), std::string::npos);
  EXPECT_NEAR(std::fabs(chain[2].torsion), M_PI, 1e-4);
  EXPECT_NEAR(chain[2].e, 0.005, 1e-8);  // the exact saddle of the surface
  EXPECT_NEAR(std::fabs(chain[1].torsion) * kDegreesPerRadian, 140.0, 0.5);
  EXPECT_TRUE(chain[0].e < chain[1].e && chain[1].e < chain[2].e);
}

TEST_F(TwoEnds, TransitClimbsFromItsHighestPointToTheSaddle) {
  // From +100 to -120 degrees the barrier lies at s = 80/140, between the chain's points.
  const std::string out = run(synchronous_transit_with, "TRANSIT", "points=5 tolerance=1e-6", 2, kMinus120);
  EXPECT_NE(out.find("Saddle Point Search from Point  2"), std::string::npos) << out;
  EXPECT_NE(out.find("OPTIMIZATION CONVERGED"), std::string::npos) << out;
  EXPECT_EQ(testing::g_levels[2], 0);  // the chain gives the starting Hessian
  expect_saddle_point();
}

TEST_F(TwoEnds, SaddleSearchMaximisesAlongTheLineThenConverges) {
  const std::string out = run(approximate_saddle_search_with, "SADDLE", "tolerance=1e-6", 2, kMinus120);
  EXPECT_NE(out.find("cubic fit"), std::string::npos) << out;
  EXPECT_NE(out.find("Stage 1: One-Dimensional Maximization"), std::string::npos);
  EXPECT_NE(out.find(" CONVERGED!"), std::string::npos) << out;
  EXPECT_NE(out.find("OPTIMIZATION CONVERGED"), std::string::npos) << out;
  EXPECT_EQ(testing::g_levels[2], 0);  // the starting Hessian comes from the line search
  expect_saddle_point();
}

TEST_F(TwoEnds, MinimumEnergyPathClimbsToTheBarrier) {
  const std::string out = run(minimum_energy_path_with, "PATHX", "points=7 tolerance=1e-5", 2, kMinus120);
  EXPECT_NE(out.find("OPTIMIZATION CONVERGED!"), std::string::npos) << out;
  const std::vector<double> e =
      testing::listed_energies(out, "MINIMUM ENERGY PATH:", "PATH> Path Point %d: E = %lf");
  ASSERT_EQ(e.size(), 7u);
  EXPECT_NEAR(*std::max_element(e.begin(), e.end()), 0.005, 1e-3);
}

// `text` without its timer lines, which a slow machine may fill differently.
std::string untimed(const std::string& text) {
  std::string kept;
  for (const std::string& line : testing::lines_of(text))
    if (line.rfind(" time:", 0) != 0) kept += line + '\n';
  return kept;
}

// Killed two thirds of the way, each task continues from what it kept to the same listing
// and the same final structure.
TEST_F(TwoEnds, InterruptedTasksContinueFromWhatTheyKept) {
  struct Case {
    void (*task)(Evaluator);
    const char *name, *options, *listed;
  };
  for (const Case& c : {Case{minimum_energy_path_with, "PATHX", "points=7 tolerance=1e-5", "MINIMUM ENERGY PATH:"},
                        Case{synchronous_transit_with, "TRANSIT", "points=5 tolerance=1e-6", "SYNCHRONOUS TRANSIT PATH:"},
                        Case{approximate_saddle_search_with, "SADDLE", "tolerance=1e-6", "Stage 2"}}) {
    store_clear();
    testing::g_levels[1] = 0;
    const auto go = [&] { return run(c.task, c.name, c.options, 2, kMinus120); };
    const std::string whole = go();
    const std::vector<double> end = testing::current_geometry();
    const int all = testing::g_levels[1];
    const std::string rest = killed_and_continued(all * 2 / 3, go);
    EXPECT_NE(rest.find("continuing the"), std::string::npos) << c.name << rest;
    EXPECT_LT(testing::g_levels[1], all * 3 / 4) << c.name;
    EXPECT_EQ(untimed(rest.substr(rest.find(c.listed))), untimed(whole.substr(whole.find(c.listed)))) << c.name;
    const std::vector<double> again = testing::current_geometry();
    for (std::size_t i = 0; i < end.size(); ++i) EXPECT_NEAR(again[i], end[i], 1e-9) << c.name << i;
  }
}

TEST_F(TwoEnds, NeedTwoStructures) {
  EXPECT_FATAL(run(synchronous_transit_with, "TRANSIT", "points=5", 1), "TRANSIT needs two structures");
  store_clear();
  EXPECT_FATAL(run(approximate_saddle_search_with, "SADDLE", "", 1), "SADDLE needs two structures");
}

// Between linear HCN and linear HNC the hydrogen goes round the CN bond: the interpolated
// structures are bent triangles with the interpolated distances, not a compromise on the axis.
TEST_F(TwoEnds, LinearEndsInterpolateOffTheAxis) {
  const double hcn[9] = {0, 0, -2.05, 0, 0, 0, 0, 0, 2.21}, hnc[9] = {0, 0, 4.12, 0, 0, 0, 0, 0, 2.22};
  const int z[3] = {1, 6, 7};
  std::vector<InternalCoordinate> set(kPathCoordinatesPerAtom * 3 + 1);
  const int count = two_structure_coordinates(3, z, hcn, hnc, 0, set.data());
  ASSERT_EQ(count, 3);  // the three distances; neither linear bend describes the other end
  for (int i = 0; i < count; ++i) EXPECT_EQ(set[i].type, 1);
  std::vector<double> ra(count), rb(count), target(count), w(count, 1.0), x(hcn, hcn + 9);
  interpolation_ends(count, set.data(), hcn, hnc, ra.data(), rb.data());
  for (int i = 0; i < count; ++i) target[i] = 0.5 * (ra[i] + rb[i]);
  interpolated_structure(3, count, set.data(), w.data(), target.data(), x.data());
  for (int i = 0; i < count; ++i) EXPECT_NEAR(coordinate_value(set[i], x.data(), nullptr, nullptr), target[i], 1e-8);
}

}  // namespace
}  // namespace ostrel
