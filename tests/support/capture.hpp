#pragma once
// What a piece of code prints on standard output.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace ostrel::testing {

// Runs `body` and returns its standard output; the capture ends also when it throws.
template <class Body>
std::string captured_stdout(Body body) {
  std::fflush(stdout);
  ::testing::internal::CaptureStdout();
  try {
    body();
  } catch (...) {
    std::fflush(stdout);
    ::testing::internal::GetCapturedStdout();
    throw;
  }
  std::fflush(stdout);
  return ::testing::internal::GetCapturedStdout();
}

}  // namespace ostrel::testing
