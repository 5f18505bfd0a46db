// The initial guess on several nodes (run under mpirun -np 2, 3): the failure of a vector read
// stops every node (the guess itself runs in the whole-run SCF tests on several nodes).
#include "guess_fixture.hpp"

namespace ostrel {
namespace {

TEST(GuessMpi, MissingVectorFileStopsEveryNode) {
  if (is_master) {
    Guess::prepare(testing::kWaterAtoms, "PBE");
    Guess::options(5, 5, 1, 0, 1, 1, "", "/nonexistent/vectors");
  }
  testing::captured_stdout([] { EXPECT_FATAL(initial_guess(), " error..."); });
}

}  // namespace
}  // namespace ostrel
