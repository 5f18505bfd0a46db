#include "input/task_dispatch.hpp"

#include <gtest/gtest.h>

#include <string>

#include "input/common_setup.hpp"
#include "support/fatal_trap.hpp"

namespace ostrel {
namespace {

std::string route_name(const char* task) {
  const TaskRoute* r = find_task_route(task);
  return r ? r->name : "(none)";
}

TEST(TaskDispatch, ExactNamesBeforePrefixes) {
  EXPECT_EQ(route_name("IRC4"), "IRC4");
  EXPECT_EQ(route_name("IRC"), "IRC");
  EXPECT_EQ(route_name("PATHX"), "PATHX");
  EXPECT_EQ(route_name("TEST_V44BBA"), "TEST_V44BBA");
  EXPECT_EQ(route_name("TEST_ANYTHING"), "TEST");
  EXPECT_EQ(route_name("MULTIPLY_LARGE"), "MULTIPLY");
  EXPECT_NE(find_task_route("MULTIPLY2")->run, nullptr);
  EXPECT_EQ(route_name("OPTIMIZE_TS"), "(none)");
  EXPECT_EQ(route_name("ENERGYX"), "(none)");
  EXPECT_EQ(route_name("energy"), "(none)");  // the control step upper-cases first
}

TEST(TaskDispatch, OnlyTheModelFitsSkipTheSetUp) {
  for (const char* task : {"NDDO", "MM"}) EXPECT_FALSE(find_task_route(task)->setup) << task;
  for (const char* task : {"ENERGY", "GRADIENT", "OPTIMIZE", "HESSIAN", "GUESS", "STERIC", "TEST_X"})
    EXPECT_TRUE(find_task_route(task)->setup) << task;
}

TEST(TaskDispatch, PropertyAndTestTasksWithoutCodeStopWithTheirName) {
  for (const char* task : {"DIPOLE", "POLARIZABILITY", "NMR", "COMPARE", "NUMERIC", "RITEST",
                           "RIOPT", "TEST_V44BBA"}) {
    std::string message = std::string("task ") + task + " is not available in this build";
    EXPECT_FATAL(require_task_available(task), message);
    EXPECT_FATAL(run_task(task), message);
  }
}

TEST(TaskDispatch, UnknownTaskRunsNothing) {
  testing::FatalTrap trap;
  for (const char* task : {"OPTIMIZE_TS", "NONSENSE"}) EXPECT_NO_THROW(run_task(task));
  for (const char* task : {"NONSENSE", "OPTIMIZE"}) EXPECT_NO_THROW(require_task_available(task));
}

TEST(TaskDispatch, OptimizerOptionsFollowTheTaskTextAnywhere) {
  for (const char* task : {"OPTIMIZE", "OPTIMIZE_TS", "SCAN", "PATHX", "PATHR", "SADDLE", "IRC4",
                           "EXTREMAL", "TRANSIT", "MYSCAN"})
    EXPECT_TRUE(task_reads_optimizer_options(task)) << task;
  for (const char* task : {"ENERGY", "GRADIENT", "HESSIAN", "STERIC", "DYNAMIC"})
    EXPECT_FALSE(task_reads_optimizer_options(task)) << task;
}

TEST(TaskDispatch, TestTasksEndTheRunWithSuccess) {
  EXPECT_EXIT(run_task("TEST_SOMETHING"), ::testing::ExitedWithCode(0), "");
}

TEST(TheoryAvailability, OnlyNonRelativisticDftAndTheModelsRun) {
  {
    testing::FatalTrap trap;
    for (const char* theory : {"DFT", "SCRIPT", "MM", "NDDO"}) EXPECT_NO_THROW(require_theory_available(theory, 0));
  }
  for (const char* theory : {"TDDFT", "LEDFT", "OSDFT", "DFCIS", "DFT_CNO", "RIDFT", "MP2", "CCSD", "CIS"})
    EXPECT_FATAL(require_theory_available(theory, 0), std::string("theory ") + theory + " is not available in this build");
  for (int four : {1, 2, 3, 4})
    EXPECT_FATAL(require_theory_available("DFT", four),
                 "theory DFT with four=" + std::to_string(four) + " is not available");
}

}  // namespace
}  // namespace ostrel
