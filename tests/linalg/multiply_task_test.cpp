#include "linalg/multiply_task.hpp"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "support/capture.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using MultiplyTask = testing::RuntimeTest;

std::string run(const std::string& input) {
  return testing::captured_stdout([&] { testing::with_stdin(input, [] { run_multiply_test(); }); });
}

TEST_F(MultiplyTask, PrintsOneLinePerTripleUntilAZeroProduct) {
  // 1e6 / (20*30*40) = 41 repeats; 1e6 / 210 = 4761.
  const std::string out = run("$test nabc=20,30,40, 5,6,7, 0,0,0, 9,9,9 nnn=1 $end\n");
  const std::regex lines(
      "NA=  20, NB=  30, NC=  40, M=   41:  t= *[0-9.]+, f= *[0-9.]+\n"
      "NA=   5, NB=   6, NC=   7, M= 4761:  t= *[0-9.]+, f= *[0-9.]+\n");
  EXPECT_TRUE(std::regex_match(out, lines)) << out;
  // A budget below one product still runs once.
  EXPECT_EQ(run("$test nabc=64,64,64 nnn=0 $end\n").rfind("NA=  64, NB=  64, NC=  64, M=    1: ", 0), 0u);
}

}  // namespace
}  // namespace ostrel
