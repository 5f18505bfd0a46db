#include "linalg/multiply_task.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using MultiplyTask = testing::RuntimeTest;

TEST_F(MultiplyTask, PrintsOneLinePerTripleUntilAZeroProduct) {
  std::string out;
  testing::with_stdin("$test nabc=20,30,40, 5,6,7, 0,0,0, 9,9,9 nnn=1 $end\n", [&] {
    std::fflush(stdout);
    ::testing::internal::CaptureStdout();
    run_multiply_test();
    std::fflush(stdout);
    out = ::testing::internal::GetCapturedStdout();
  });
  // 1e6 / (20*30*40) = 41 repeats; 1e6 / 210 = 4761.
  const std::regex lines(
      "NA=  20, NB=  30, NC=  40, M=   41:  t= *[0-9.]+, f= *[0-9.]+\n"
      "NA=   5, NB=   6, NC=   7, M= 4761:  t= *[0-9.]+, f= *[0-9.]+\n");
  EXPECT_TRUE(std::regex_match(out, lines)) << out;
}

TEST_F(MultiplyTask, BudgetBelowOneProductStillRunsOnce) {
  std::string out;
  testing::with_stdin("$test nabc=64,64,64 nnn=0 $end\n", [&] {
    std::fflush(stdout);
    ::testing::internal::CaptureStdout();
    run_multiply_test();
    std::fflush(stdout);
    out = ::testing::internal::GetCapturedStdout();
  });
  EXPECT_EQ(out.rfind("NA=  64, NB=  64, NC=  64, M=    1: ", 0), 0u) << out;
}

}  // namespace
}  // namespace ostrel
