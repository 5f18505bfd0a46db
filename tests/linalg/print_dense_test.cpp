#include "linalg/print_dense.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace ostrel {
namespace {

std::string printed(const double* a, int rows, int cols, int mode) {
  std::fflush(stdout);
  ::testing::internal::CaptureStdout();
  print_dense_matrix(a, rows, cols, mode);
  std::fflush(stdout);
  return ::testing::internal::GetCapturedStdout();
}

TEST(PrintDense, FullTransposedAndPackedFormsPrintTheSameMatrix) {
  // [[1, -2], [-2, 0.5]]: largest magnitude 2 -> one digit, nine decimals, width 12.
  const double rows[] = {1, -2, -2, 0.5}, packed[] = {1, -2, 0.5};
  const std::string want =
      "\n            1            2\n"
      "  1.000000000 -2.000000000\n"
      " -2.000000000  0.500000000\n";
  EXPECT_EQ(printed(rows, 2, 2, 1), want);
  EXPECT_EQ(printed(rows, 2, 2, -1), want);
  EXPECT_EQ(printed(packed, 2, 2, 0), want);
}

TEST(PrintDense, WidthFollowsTheMagnitudeAndWideMatricesSplit) {
  const double big[] = {12345.5, -0.25};
  // Five integer digits leave five decimals; width 12.
  EXPECT_EQ(printed(big, 1, 2, 1), "\n            1            2\n  12345.50000     -0.25000\n");
  double wide[12];
  for (int j = 0; j < 12; ++j) wide[j] = j;
  const std::string out = printed(wide, 1, 12, 1);
  // Width 12 + 1: nine columns per block, so a second block starts at column 10.
  EXPECT_NE(out.find("\n           10           11           12\n"), std::string::npos) << out;
}

}  // namespace
}  // namespace ostrel
