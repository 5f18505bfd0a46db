#include "input/theory_class.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(TheoryClass, ListsCompareExactlyAndPrefixesOpenWholeFamilies) {
  EXPECT_EQ(theory_in_class("DFT", "DFT"), 1);
  EXPECT_EQ(theory_in_class("DFTX", "DFT"), 0);
  EXPECT_EQ(theory_in_class("OSDFT", "DFT"), 0);
  EXPECT_EQ(theory_in_class("OSDFT", "FIT"), 1);
  EXPECT_EQ(theory_in_class("R_ANYTHING", "GRID"), 1);
  EXPECT_EQ(theory_in_class("RIHFDF", "GRID"), 1);
  EXPECT_EQ(theory_in_class("RIMP2", "GRID"), 0);
  EXPECT_EQ(theory_in_class("RIMP2", "FIT"), 1);
  EXPECT_EQ(theory_in_class("R_X", "FIT"), 0);
  EXPECT_EQ(theory_in_class("CCSD4T#2", "CI"), 1);
  EXPECT_EQ(theory_in_class("MP2", "CI"), 0);
  EXPECT_EQ(theory_in_class("CCD&MP2", "DUAL"), 1);
  EXPECT_EQ(theory_in_class("CCD&MP2", "CI"), 1);
  EXPECT_EQ(theory_in_class("SN_CCSD&MP2", "DUAL"), 1);
  EXPECT_EQ(theory_in_class("DFT", "dft"), 0);
  EXPECT_EQ(theory_in_class("DFT", "NOSUCHCLASS"), 0);
}

}  // namespace
}  // namespace ostrel
