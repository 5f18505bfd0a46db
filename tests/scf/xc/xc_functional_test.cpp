#include "scf/xc/dft_options.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"

namespace ostrel {
namespace {

using testing::InputFile;

DftOptions read(const std::string& text, const char* default_name = "PBE") {
  return dft_read_options(InputFile(text).get(), default_name);
}

TEST(XcFunctionalTable, RowsThatSetParametersOverrideTheInputOthersKeepIt) {
  // Lower case selects the row; the row's p[0..2] replace the user's, p[3] stays.
  const DftOptions o = read("$dft functional=b3lyp p=1 2 3 4 $end");
  EXPECT_STREQ(o.name, "B3LYP");
  EXPECT_EQ(o.functional.p[3], 4.0);
  const struct { const char* name; double p0, p1, p2; } rows[] = {
      {"B3LYP", 0.00378, 0.0042, 0.81}, {"B1LYP", 0.0042, 0.0042, 1.0}, {"BPBE", 0.005, 0.006, 9}};
  for (const auto& r : rows) {
    const XcFunctional f = read("$dft functional=" + std::string(r.name) + " p=0.005 0.006 9 $end").functional;
    EXPECT_EQ(f.p[0], r.p0) << r.name;
    EXPECT_EQ(f.p[1], r.p1) << r.name;
    EXPECT_EQ(f.p[2], r.p2) << r.name;
  }
  // PBE1's exact-exchange share comes from p[0] when given.
  EXPECT_EQ(read("$dft functional=PBE1 p=0.4 $end").functional.a_x, 0.6);
  EXPECT_EQ(read("$dft functional=pbe1 $end").functional.a_hf, 0.25);
}

// Without a group or key the default name applies; an unknown name stops upper-cased.
TEST(XcFunctionalTable, DefaultNameAndUnknownNames) {
  DftOptions o = read("$control task=energy $end", "PBE1");
  EXPECT_STREQ(o.name, "PBE1");
  EXPECT_EQ(o.functional.a_x, 0.75);
  o = read("$dft p=0.3 $end", "HF");
  EXPECT_STREQ(o.name, "HF");
  EXPECT_EQ(o.functional.p[0], 0.3);
  EXPECT_FATAL(read("$dft functional=b3lypx $end"), "\n unknown 'B3LYPX'\n");
}

TEST(XcFunctionalTable, PartialNamesDoNotMatch) {
  const double p[32] = {};
  const std::int32_t n[5] = {};
  for (const char* name : {"B3", "PB", "VGG", "LSDA", ""}) {
    XcFunctional r = xc_cleared(p, n);
    EXPECT_FALSE(xc_lookup(name, r)) << name;
    EXPECT_EQ(r.level, -1);
  }
}

}  // namespace
}  // namespace ostrel
