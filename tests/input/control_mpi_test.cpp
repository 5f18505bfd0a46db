#include <gtest/gtest.h>

#include <string>

#include "input/control_options.hpp"
#include "input/print_option.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/store.hpp"
#include "support/input_file.hpp"

namespace ostrel {
namespace {

TEST(ControlMpi, OnlyTheMasterWritesTheControlRecords) {
  testing::InputFile input("$control task=energy print=vectors-energies $end");
  ::testing::internal::CaptureStdout();
  control_step(input.get());
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(store_exists("task"), is_master);
  EXPECT_EQ(store_exists("PRINT"), is_master);
}

TEST(ControlMpi, BroadcastPrintOptionsAnswerAlikeOnEveryNode) {
  EXPECT_EQ(print_option("PRINT", "ENERGIES", 1), -1);
  EXPECT_EQ(print_option("PRINT", "VECTORS", 1), 1);
  EXPECT_EQ(print_option("PRINT", "MOLDEN", 1), 0);
  // Without the broadcast the other nodes know nothing.
  EXPECT_EQ(print_option("PRINT", "VECTORS", 0), is_master ? 1 : 0);
}

}  // namespace
}  // namespace ostrel
