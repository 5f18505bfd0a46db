// Synchronous transit across the peroxide torsion barrier (path_surface.hpp): from +100 to
// -100 degrees the chain runs through the planar trans structure, and its middle point,
// relaxed with its path parameter held, is the saddle point.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/optimize_options.hpp"
#include "geometry/paths/synchronous_transit.hpp"
#include "model/molecule_input.hpp"
#include "path_surface.hpp"

namespace ostrel {
namespace {

constexpr const char* kPlus100 = " 8 0 0 0\n 8 1.45 0 0\n 1 -0.25 0.92 0\n 1 1.70 -0.159757 0.906024\n";
constexpr const char* kMinus100 = " 8 0 0 0\n 8 1.45 0 0\n 1 -0.25 0.92 0\n 1 1.70 -0.159757 -0.906024\n";

class Transit : public testing::PathSurfaceTest {
 protected:
  std::string run(const std::string& options, int structures = 2) {
    return testing::captured_stdout([&] {
      std::string input = testing::molecule_group(kPlus100);
      if (structures > 1) input += testing::molecule_group(kMinus100);
      input += "$optimize " + options + " $end\n";
      testing::with_stdin(input, [] { read_molecule_chain(); });
      record_put_text(rec::task, "TRANSIT", 64);
      record_put(rec::grid, 0);
      testing::with_stdin(input, [] { read_optimize_options(); });
      synchronous_transit_with(testing::surface_evaluate);
    });
  }
};

TEST_F(Transit, TheMiddleOfTheChainIsTheSaddlePoint) {
  const std::string out = run("points=5 tolerance=1e-6");
  const std::vector<testing::ListedPoint> chain =
      testing::listed_points(out, "SYNCHRONOUS TRANSIT PATH:", "PATH>", "PATH> Point %d: s = %lf E = %lf");
  ASSERT_EQ(chain.size(), 5u) << out;
  EXPECT_NE(out.find("highest point: 2"), std::string::npos);
  EXPECT_NEAR(std::fabs(chain[2].torsion), M_PI, 1e-4);
  EXPECT_NEAR(chain[2].e, 0.005, 1e-8);  // the exact saddle of the surface
  EXPECT_NEAR(std::fabs(chain[1].torsion) * kRadianToDegree, 140.0, 0.5);
  EXPECT_LT(chain[1].e, chain[2].e);
  EXPECT_LT(chain[0].e, chain[1].e);
}

TEST_F(Transit, NeedsTwoStructures) { EXPECT_FATAL(run("points=5", 1), "TRANSIT needs two structures"); }

}  // namespace
}  // namespace ostrel
