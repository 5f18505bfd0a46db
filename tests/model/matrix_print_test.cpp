#include "model/matrix_print.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/capture.hpp"

namespace ostrel {
namespace {

using testing::captured_stdout;

TEST(MatrixPrint, SevenColumnsPrintInBlocksOfFiveAndTwo) {
  // Column after column: column c holds rows 0 and 1.
  const std::vector<double> m = {0.5, -0.25, 1.5,  -2.0, 0.125, 3.25,    -1.0,
                                 1.0, 10.0,  -0.0625, 0.75, 123.456, -7.5, 0.001};
  const std::vector<double> e = {-1.5, -0.5, 0.25, 1.0, 2.5, 10.0, -100.0};
  const std::string want =
      "       1          2          3          4          5   \n"
      " -1.5000000 -0.5000000  0.2500000  1.0000000  2.5000000\n"
      "\n"
      "  0.5000000  1.5000000  0.1250000 -1.0000000  10.000000\n"
      " -0.2500000 -2.0000000  3.2500000  1.0000000 -0.0625000\n"
      "\n"
      "       6          7   \n"
      "  10.000000 -100.00000\n"
      "\n"
      "  0.7500000 -7.5000000\n"
      "  123.45600  0.0010000\n"
      "\n";
  EXPECT_EQ(captured_stdout([&] { print_matrix(m.data(), e.data(), 2, 7); }), want);
}

TEST(MatrixPrint, WithoutEigenvaluesOnlyHeadingAndRows) {
  const double m[] = {1.0, 2.0};
  EXPECT_EQ(captured_stdout([&] { print_matrix(m, nullptr, 2, 1); }),
            "       1   \n  1.0000000\n  2.0000000\n\n");
  EXPECT_EQ(captured_stdout([&] { print_matrix(m, nullptr, 2, 0); }), "");
}

std::string dense(const double* a, int rows, int cols, int mode) {
  return captured_stdout([&] { print_dense_matrix(a, rows, cols, mode); });
}

TEST(PrintDense, FullTransposedAndPackedFormsPrintTheSameMatrix) {
  // [[1, -2], [-2, 0.5]]: largest magnitude 2 -> one digit, nine decimals, width 12.
  const double rows[] = {1, -2, -2, 0.5}, packed[] = {1, -2, 0.5};
  const std::string want =
      "\n            1            2\n"
      "  1.000000000 -2.000000000\n"
      " -2.000000000  0.500000000\n";
  EXPECT_EQ(dense(rows, 2, 2, 1), want);
  EXPECT_EQ(dense(rows, 2, 2, -1), want);
  EXPECT_EQ(dense(packed, 2, 2, 0), want);
}

TEST(PrintDense, WidthFollowsTheMagnitudeAndWideMatricesSplit) {
  const double big[] = {12345.5, -0.25};
  // Five integer digits leave five decimals; width 12.
  EXPECT_EQ(dense(big, 1, 2, 1), "\n            1            2\n  12345.50000     -0.25000\n");
  double wide[12];
  for (int j = 0; j < 12; ++j) wide[j] = j;
  const std::string out = dense(wide, 1, 12, 1);
  // Width 12 + 1: nine columns per block, so a second block starts at column 10.
  EXPECT_NE(out.find("\n           10           11           12\n"), std::string::npos) << out;
}

}  // namespace
}  // namespace ostrel
