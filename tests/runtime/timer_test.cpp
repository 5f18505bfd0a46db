#include "runtime/timer.hpp"

#include <cmath>

#include "support/capture.hpp"

namespace ostrel {
namespace {

// Uses at least `seconds` of CPU time.
void burn(double seconds) {
  double start = cpu_time();
  volatile double x = 0;
  while (cpu_time() - start < seconds) x = x + std::sqrt(x + 1.0);
}

std::string printed(const char* name, char op) { return testing::captured_stdout([&] { timer(name, op); }); }

// A timer sums its intervals and reads an open one too; a reset keeps the run sum; names
// longer than the printed 32 characters may share a timer; an unstarted one prints nothing.
TEST(Timers, IntervalsAccumulateAndResetKeepsTheRunSum) {
  timer_clear();
  EXPECT_EQ(printed("step", 'r'), "");
  const char* step = "0123456789012345678901234567890123A";
  for (int k = 0; k < 2; ++k) {
    timer(step, '-');
    burn(0.05);
    timer(step, '+');
  }
  EXPECT_GE(timer("0123456789012345678901234567890123B", 't'), 0.1);
  timer(step, '0');
  EXPECT_EQ(timer(step, 't'), 0.0);
  timer(step, '-');
  burn(0.05);
  EXPECT_GE(timer(step, 't'), 0.05);
  timer(step, '+');
  const std::string line = printed(step, 'r');
  EXPECT_EQ(line.rfind(" time: 01234567890123456789012345678901 : ", 0), 0u) << line;
  const std::string report = printed(nullptr, 'r');
  EXPECT_GE(std::stod(report.substr(report.find(':', 6) + 1)), 0.15) << report;
}

TEST(Timers, At255TimersTheNextOneEndsTheRun) {
  timer_clear();
  char name[32];
  for (int i = 0; i < 255; ++i) {
    std::snprintf(name, sizeof name, "timer %d", i);
    timer(name, '0');
  }
  EXPECT_EXIT(timer("one too many", '0'), ::testing::ExitedWithCode(1), "");
  timer_clear();
}

}  // namespace
}  // namespace ostrel
