#include <gtest/gtest.h>

#include <string>

#include "input/common_setup.hpp"
#include "input/control_options.hpp"
#include "input/theory_class.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/store.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"

namespace ostrel {
namespace {

// Only the master writes the control records; broadcast print options answer alike anyway.
TEST(ControlMpi, OnlyTheMasterWritesTheControlRecords) {
  testing::InputFile input("$control task=energy print=vectors-energies $end");
  ::testing::internal::CaptureStdout();
  control_step(input.get());
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(store_exists("task"), is_master);
  EXPECT_EQ(store_exists("PRINT"), is_master);
  EXPECT_EQ(print_option("PRINT", "ENERGIES", 1), -1);
  EXPECT_EQ(print_option("PRINT", "VECTORS", 1), 1);
  EXPECT_EQ(print_option("PRINT", "MOLDEN", 1), 0);
  // Without the broadcast the other nodes know nothing.
  EXPECT_EQ(print_option("PRINT", "VECTORS", 0), is_master ? 1 : 0);
}

TEST(ControlMpi, EveryNodeStopsWhenTheMastersInputAsksForMissingCode) {
  // Only the master reads its input; the others learn the task and theory by broadcast.
  const char* task_input = is_master ? "$control task=dipole $end" : "$control task=energy $end";
  testing::with_stdin(task_input, [] {
    EXPECT_FATAL(select_task(), "task DIPOLE is not available in this build");
  });
  const char* theory_input = is_master ? "$control task=energy theory=mp2 $end" : "";
  testing::with_stdin(theory_input, [] {
    EXPECT_FATAL(select_task(), "theory MP2 is not available in this build");
  });
}

}  // namespace
}  // namespace ostrel
