// The printed structure with its distance table, and matrix blocks with eigenvalues and dense
// matrices.
#include <vector>

#include "model/matrix_print.hpp"
#include "model/structure_print.hpp"
#include "support/capture.hpp"

namespace ostrel {
namespace {

using testing::captured_stdout;
constexpr double kBohrPerAngstrom = 1.0 / 0.529177249;

TEST(StructurePrint, TwoHydrogensListEachOtherAndOneAtomHasNoTable) {
  const int z[] = {1, 1};
  const double xyz[] = {0, 0, 0, 0, 0, 0.74 * kBohrPerAngstrom};
  const std::string want =
      "\n Atomic Coordinates:\n"
      "   1     0.00000000   0.00000000   0.00000000\n"
      "   1     0.00000000   0.00000000   0.74000000\n"
      " #\n"
      "  formula: H2\n"
      "  internuclear distances:\n"
      "  H1    |  H2   : 0.74000\n"
      "  H2    |  H1   : 0.74000\n"
      "     largest =    0.74000\n"
      "\n";
  EXPECT_EQ(captured_stdout([&] { print_coordinates(z, xyz, 2, 1); }), want);
  const int c[] = {6};
  const double at[] = {1.0, -1.0, 0.5};
  EXPECT_EQ(captured_stdout([&] { print_coordinates(c, at, 1, 1); }),
            "\n Atomic Coordinates:\n   6     0.52917725  -0.52917725   0.26458862\n #\n\n");
}

// Labels count per element; atoms 10 bohr apart are not bonded, yet give the largest distance.
TEST(StructurePrint, FormulaInOrderOfAtomicNumberWithLabelsPerElement) {
  const int z[] = {6, 8, 1, 6, 1, 1, 1, 1, 1};
  std::vector<double> xyz;
  for (int a = 0; a < 9; ++a) xyz.insert(xyz.end(), {10.0 * a, 0.0, 0.0});
  const std::string out = captured_stdout([&] { print_coordinates(z, xyz.data(), 9, 1); });
  for (const char* text : {"  formula: H6C2O\n", "\n  C2    |", "  O1    |\n  H1    |\n", "     largest =   42.33418\n\n"})
    EXPECT_NE(out.find(text), std::string::npos) << text << out;
  EXPECT_EQ(captured_stdout([&] { print_coordinates(z, xyz.data(), 9, 0); }).find("formula"), std::string::npos);
}

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

std::string dense(const double* a, int rows, int cols, int mode) {
  return captured_stdout([&] { print_dense_matrix(a, rows, cols, mode); });
}

TEST(PrintDense, FormsWidthAndSplitting) {
  // [[1, -2], [-2, 0.5]]: largest magnitude 2 -> one digit, nine decimals, width 12.
  const double rows[] = {1, -2, -2, 0.5}, packed[] = {1, -2, 0.5};
  const std::string want =
      "\n            1            2\n"
      "  1.000000000 -2.000000000\n"
      " -2.000000000  0.500000000\n";
  EXPECT_EQ(dense(rows, 2, 2, 1), want);
  EXPECT_EQ(dense(rows, 2, 2, -1), want);
  EXPECT_EQ(dense(packed, 2, 2, 0), want);
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
