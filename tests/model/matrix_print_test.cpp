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

}  // namespace
}  // namespace ostrel
