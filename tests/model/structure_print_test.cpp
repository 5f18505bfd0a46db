#include "model/structure_print.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

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

TEST(StructurePrint, NineNeighboursOnThreeLines) {
  // Iron with nine hydrogens on a circle of 2 A: bonded to iron, not to each other.
  std::vector<int> z = {26};
  std::vector<double> xyz = {0, 0, 0};
  for (int k = 0; k < 9; ++k) {
    z.push_back(1);
    const double t = 2 * M_PI * k / 9;
    xyz.insert(xyz.end(), {2.0 * std::cos(t) * kBohrPerAngstrom,
                           2.0 * std::sin(t) * kBohrPerAngstrom, 0.0});
  }
  const std::string out = captured_stdout([&] { print_coordinates(z.data(), xyz.data(), 10, 1); });
  EXPECT_NE(out.find("  formula: H9Fe\n"), std::string::npos) << out;
  const std::string block =
      "  internuclear distances:\n"
      "  Fe1   |  H1   : 2.00000  H2   : 2.00000  H3   : 2.00000  H4   : 2.00000\n"
      "        |  H5   : 2.00000  H6   : 2.00000  H7   : 2.00000  H8   : 2.00000\n"
      "        |  H9   : 2.00000\n"
      "  H1    |  Fe1  : 2.00000\n";
  EXPECT_NE(out.find(block), std::string::npos) << out;
  EXPECT_NE(out.find("  H9    |  Fe1  : 2.00000\n     largest =    3.93923\n\n"), std::string::npos)
      << out;
}

TEST(StructurePrint, FormulaInOrderOfAtomicNumberWithLabelsPerElement) {
  // Ethanol-like composition, spread out so that only the formula matters.
  const int z[] = {6, 8, 1, 6, 1, 1, 1, 1, 1};
  std::vector<double> xyz;
  for (int a = 0; a < 9; ++a) xyz.insert(xyz.end(), {10.0 * a, 0.0, 0.0});
  const std::string out = captured_stdout([&] { print_coordinates(z, xyz.data(), 9, 1); });
  EXPECT_NE(out.find("  formula: H6C2O\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\n  C2    |"), std::string::npos);
  EXPECT_NE(out.find("\n  H6    |"), std::string::npos);
  // Atoms 10 bohr apart are not bonded: no entries, yet the largest distance.
  EXPECT_NE(out.find("  O1    |\n  H1    |\n"), std::string::npos) << out;
  EXPECT_NE(out.find("     largest =   42.33418\n\n"), std::string::npos) << out;
  // Without the flag only the coordinates.
  EXPECT_EQ(captured_stdout([&] { print_coordinates(z, xyz.data(), 9, 0); }).find("formula"),
            std::string::npos);
}

}  // namespace
}  // namespace ostrel
