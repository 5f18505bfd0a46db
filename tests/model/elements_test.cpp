#include "model/elements.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace ostrel {
namespace {

TEST(Elements, SymbolsCoverTheTable) {
  EXPECT_STREQ(element_symbol(1), "H");
  EXPECT_STREQ(element_symbol(26), "Fe");
  EXPECT_STREQ(element_symbol(105), "Ns");
  for (int z : {0, -3, 106}) EXPECT_STREQ(element_symbol(z), "?");
  for (int z = 1; z <= MAX_ELEMENT; ++z) {
    const std::size_t len = std::strlen(element_symbol(z));
    EXPECT_TRUE(len == 1 || len == 2) << z;
  }
}

TEST(Elements, RadiiAreTheAngstromTableInBohr) {
  const double b = 0.529177249;
  EXPECT_DOUBLE_EQ(element_radius(1) * b, 0.35);
  EXPECT_DOUBLE_EQ(element_radius(91) * b, 1.61);
  for (int z = 92; z <= MAX_ELEMENT; ++z) EXPECT_DOUBLE_EQ(element_radius(z) * b, 1.40) << z;
  EXPECT_EQ(element_radius(0), 0.0);
  EXPECT_EQ(element_radius(106), 0.0);
}

}  // namespace
}  // namespace ostrel
