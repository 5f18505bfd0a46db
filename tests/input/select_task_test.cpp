#include "input/select_task.hpp"

#include <gtest/gtest.h>

#include <string>

#include "runtime/store.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::with_stdin;

class SelectTask : public testing::RuntimeTest {
 protected:
  // Runs task selection on `input` as the program's input file; returns what it printed.
  std::string run(const std::string& input) {
    ::testing::internal::CaptureStdout();
    try {
      with_stdin(input, [] { select_task(); });
    } catch (...) {
      ::testing::internal::GetCapturedStdout();
      throw;
    }
    return ::testing::internal::GetCapturedStdout();
  }
};

TEST_F(SelectTask, TasksWithoutCodeStopBeforeTheSetUp) {
  // No molecule is given: the stop must come before the set-up would ask for one.
  EXPECT_FATAL(run("$control task=dipole $end"), "task DIPOLE is not available in this build");
  EXPECT_FATAL(run("$control task=nmr theory=dft $end"), "task NMR is not available in this build");
}

TEST_F(SelectTask, TheoriesWithoutCodeStopBeforeTheSetUp) {
  EXPECT_FATAL(run("$control task=energy theory=tddft $end"), "theory TDDFT is not available");
  EXPECT_FATAL(run("$control task=anything theory=ccsd $end"), "theory CCSD is not available");
  EXPECT_FATAL(run("$control theory=dft four=2 $end"), "theory DFT with four=2 is not available");
}

TEST_F(SelectTask, UnknownDerivativeStopsInTheControlStep) {
  EXPECT_FATAL(run("$control derivative=semi $end"), " SEMI?");
}

const char* kWater =
    "$molecule\n"
    " cartesian\n"
    " 8 0.0 0.0 0.0\n"
    " 1 0.0 0.757 0.587\n"
    " 1 0.0 -0.757 0.587\n"
    "$end\n";

TEST_F(SelectTask, ExternalProgramSetUpReadsNoBasisAndFitsNothing) {
  const std::string input = std::string("$control task=setup-only theory=script $end\n") + kWater +
                            "$energy e=-76.5 $end\n";
  std::string out;
  try {
    testing::FatalTrap trap;
    out = run(input);
  } catch (const testing::FatalStop& stop) {
    if (std::string(stop.what()).find("not available in this build") != std::string::npos)
      GTEST_SKIP() << stop.what();
    FAIL() << stop.what();
  }
  EXPECT_EQ(store_get<int>("Nbasis"), 0);
  EXPECT_EQ(store_get<int>("Necp"), 0);
  EXPECT_EQ(store_get<int>("fit"), 0);
  EXPECT_EQ(store_get<int>("Nfit"), 0);
  EXPECT_EQ(store_exists("Basis"), 0);
  EXPECT_EQ(store_size("Atoms"), 11872);
  EXPECT_EQ(store_get<double>("Energy"), -76.5);
  EXPECT_EQ(store_size("Gradient"), 8 * 9);
  EXPECT_NE(out.find(" Energy provided (-7.650000000000000e+01)."), std::string::npos) << out;
}

TEST_F(SelectTask, OptimizerLikeTaskNamesReadTheOptimizerGroupButRunNothing) {
  const std::string input = std::string("$control task=optimize_ts theory=script $end\n") + kWater;
  try {
    testing::FatalTrap trap;
    run(input);
  } catch (const testing::FatalStop& stop) {
    // The optimizer options (or the molecule reader) may not be built yet.
    const std::string message = stop.what();
    if (message.find("molecule input is not available") != std::string::npos) GTEST_SKIP() << message;
    EXPECT_NE(message.find("\"optimize\""), std::string::npos) << message;
    return;
  }
  EXPECT_EQ(store_get<int>("NEval"), 0);  // no evaluation ran
}

}  // namespace
}  // namespace ostrel
