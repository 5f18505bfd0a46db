#include "runtime/timer.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "runtime/clock.hpp"

namespace ostrel {
namespace {

// Uses at least `seconds` of CPU time.
void burn(double seconds) {
  double start = cpu_time();
  volatile double x = 0;
  while (cpu_time() - start < seconds) x = x + std::sqrt(x + 1.0);
}

std::string printed(const char* name, char op) {
  ::testing::internal::CaptureStdout();
  timer(name, op);
  std::fflush(stdout);
  return ::testing::internal::GetCapturedStdout();
}

TEST(Timers, IntervalsAccumulateAndResetKeepsTheRunSum) {
  timer_clear();
  timer("step", '0');
  timer("step", '-');
  burn(0.05);
  timer("step", '+');
  double first = timer("step", 't');
  timer("step", '-');
  burn(0.05);
  timer("step", '+');
  double both = timer("step", 't');
  EXPECT_GE(first, 0.05);
  EXPECT_GE(both, first + 0.05);
  timer("step", '0');
  EXPECT_EQ(timer("step", 't'), 0.0);
  timer("step", '-');
  burn(0.05);
  double running = timer("step", 't');
  EXPECT_GE(running, 0.05);  // a running timer reads its open interval too
  timer("step", '+');
  std::string line = printed("step", 'r');
  EXPECT_EQ(line.rfind(" time: step                             : ", 0), 0u) << line;
  EXPECT_EQ(line.back(), '\n');
  std::string report = printed(nullptr, 'r');
  // The run sum keeps all three intervals.
  double total = std::stod(report.substr(report.find(':', 6) + 1));
  EXPECT_GE(total, 0.1) << report;
}

TEST(Timers, UnstartedTimerPrintsNothingAndLongNamesShareATimer) {
  timer_clear();
  EXPECT_EQ(printed("never started", 'r'), "");
  const char* a = "0123456789012345678901234567890123A";
  const char* b = "0123456789012345678901234567890123B";
  timer(a, '-');
  burn(0.02);
  timer(a, '+');
  EXPECT_GE(timer(b, 't'), 0.02);
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
