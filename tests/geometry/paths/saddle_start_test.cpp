// A saddle search from a guess, with no Hessian in the input: the run computes the Hessian
// itself (one level-2 evaluation, whose energy and gradient serve as the first step).
#include "geometry/run_optimization.hpp"
#include "path_surface.hpp"

namespace ostrel {
namespace {

using testing::kTorsion;

class SaddleStart : public testing::PathSurfaceTest {};

TEST_F(SaddleStart, BothEnginesFindTheBarrierFromAGuess) {
  for (const char* engine : {"cartesian=0", "cartesian=1"}) {
    store_clear();
    testing::g_levels[1] = testing::g_levels[2] = 0;
    const std::string out =
        run_task(run_optimization_with, "OPTIMIZE", testing::kTwistedPeroxide, std::string("saddle=1 tolerance=1e-6 ") + engine);
    EXPECT_EQ(testing::g_levels[2], 1) << engine;
    EXPECT_NE(out.find("no Hessian at the start structure"), std::string::npos) << engine;
    EXPECT_NE(out.find("OPTIMIZATION CONVERGED"), std::string::npos) << engine << out;
    EXPECT_EQ(out.find("H for saddle"), std::string::npos);
    const std::vector<double> x = testing::current_geometry();
    EXPECT_NEAR(std::fabs(coordinate_value(kTorsion, x.data(), nullptr, nullptr)), M_PI, 1e-4) << engine;
    // Step 0 takes the level-2 results: no second evaluation of the start structure.
    EXPECT_EQ(testing::occurrences(out, " Energy:"), testing::g_levels[1] + 1) << engine;
    EXPECT_EQ(record_field(rec::haveE, &ResultsGiven::hessian), 0);
  }
}

}  // namespace
}  // namespace ostrel
