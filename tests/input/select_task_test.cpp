#include "input/common_setup.hpp"

#include <gtest/gtest.h>

#include <string>

#include "runtime/store.hpp"
#include "support/capture.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

class SelectTask : public testing::RuntimeTest {
 protected:
  // Runs task selection in a fresh store on `input` as the program's input file; returns
  // what it printed.
  std::string run(const std::string& input) {
    store_close();
    store_open("", -64);
    return testing::captured_stdout([&] { testing::with_stdin(input, [] { select_task(); }); });
  }
};

// No molecule is given: each stop must come before the set-up would ask for one.
TEST_F(SelectTask, RequestsWithoutCodeStopBeforeTheSetUp) {
  EXPECT_FATAL(run("$control task=dipole $end"), "task DIPOLE is not available in this build");
  EXPECT_FATAL(run("$control task=nmr theory=dft $end"), "task NMR is not available in this build");
  EXPECT_FATAL(run("$control task=energy theory=tddft $end"), "theory TDDFT is not available");
  EXPECT_FATAL(run("$control task=anything theory=ccsd $end"), "theory CCSD is not available");
  EXPECT_FATAL(run("$control theory=dft four=2 $end"), "theory DFT with four=2 is not available");
  EXPECT_FATAL(run("$control derivative=semi $end"), " SEMI?");
}

const char* kHelium = "$molecule\n cartesian\n 2 0.0 0.0 0.0\n$end\n";

TEST_F(SelectTask, ExternalProgramSetUpReadsNoBasisAndFitsNothing) {
  const std::string out =
      run(std::string("$control task=setup-only theory=script $end\n") + kHelium + "$energy e=-76.5 $end\n");
  EXPECT_EQ(store_get<int>("Nbasis"), 0);
  EXPECT_EQ(store_get<int>("Necp"), 0);
  EXPECT_EQ(store_get<int>("fit"), 0);
  EXPECT_EQ(store_get<int>("Nfit"), 0);
  EXPECT_EQ(store_exists("Basis"), 0);
  EXPECT_EQ(store_size("Atoms"), 11872);
  EXPECT_EQ(store_get<double>("Energy"), -76.5);
  EXPECT_EQ(store_size("Gradient"), 8 * 3);
  EXPECT_NE(out.find(" Energy provided (-7.650000000000000e+01)."), std::string::npos) << out;
}

// Optimizer-like task names read the optimizer's group, which this build cannot serve.
TEST_F(SelectTask, OptimizerLikeTaskNamesReadTheOptimizerGroupButRunNothing) {
  const std::string out = run(std::string("$control task=optimize_ts theory=script $end\n") + kHelium);
  EXPECT_NE(out.find(" Geometry optimization options:"), std::string::npos) << out;
  EXPECT_EQ(store_get<int>("Opt.step"), -1);
  EXPECT_EQ(store_get<int>("NEval"), 0);
}

}  // namespace
}  // namespace ostrel
