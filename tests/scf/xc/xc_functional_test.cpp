#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "scf/xc/dft_options.hpp"
#include "scf/xc/xc_functional.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::InputFile;

DftOptions read(const std::string& text, const char* default_name = "PBE") {
  InputFile f(text);
  return dft_read_options(f.get(), default_name);
}

struct Row {
  const char* name;
  int x, c, level;
  double a_hf, a_x;
};

TEST(XcFunctionalTable, EveryNamedRowGivesItsCodesLevelAndFractions) {
  const Row rows[] = {
      {"VGGA", 16, 0, 1, 0, 1},    {"VGGA#1", 16, 0, 1, 0, 1}, {"VT2", 16, 0, 2, 0, 1},
      {"HF", 0, 0, 0, 1, 1},       {"S", 1, 0, 0, 0, 1},       {"LSD", 1, 1, 0, 0, 1},
      {"VWN", 1, 2, 0, 0, 1},      {"VWN5", 1, 8, 0, 0, 1},    {"B", 3, 0, 1, 0, 1},
      {"A", 7, 0, 1, 0, 1},        {"BLYP", 3, 4, 1, 0, 1},    {"SLYP0", 1, 9, 0, 0, 1},
      {"OLYP", 6, 4, 1, 0, 1},     {"PBE", 2, 3, 1, 0, 1},     {"MPBE", 4, 3, 1, 0, 1},
      {"BPBE", 5, 3, 1, 0, 1},     {"PBE1", 2, 3, 1, 0.25, 0.75}, {"HFLSD", 0, 1, 0, 1, 0},
      {"HFPBE", 0, 3, 1, 1, 0},    {"B2PBE", 3, 5, 1, 0.2, 0.8}, {"B3PBE", 3, 5, 1, 0.2, 0.8},
      {"HFLYP", 0, 4, 1, 1, 0},    {"B1LYP", 3, 6, 1, 0.2, 0.8}, {"B2LYP", 3, 6, 1, 0.2, 0.8},
      {"B3LYP", 3, 6, 1, 0.2, 0.8}, {"B3LYP_PW", 3, 7, 1, 0.2, 0.8},
  };
  for (const Row& row : rows) {
    const DftOptions o = read("$dft functional=" + std::string(row.name) + " $end");
    SCOPED_TRACE(row.name);
    EXPECT_STREQ(o.name, row.name);
    EXPECT_EQ(o.functional.x_code, row.x);
    EXPECT_EQ(o.functional.c_code, row.c);
    EXPECT_EQ(o.functional.level, row.level);
    EXPECT_EQ(o.functional.a_hf, row.a_hf);
    EXPECT_EQ(o.functional.a_x, row.a_x);
    EXPECT_EQ(o.functional.vgga, row.x == 16 ? 1 : 0);
  }
}

TEST(XcFunctionalTable, RowsThatSetParametersOverrideTheInputOthersKeepIt) {
  // Lower case selects the row; the row's p[0..2] replace the user's, p[3] stays.
  const DftOptions o = read("$dft functional=b3lyp p=1 2 3 4 $end");
  EXPECT_STREQ(o.name, "B3LYP");
  EXPECT_EQ(o.functional.p[3], 4.0);
  const struct {
    const char* name;
    double p0, p1, p2;
  } rows[] = {{"B3LYP", 0.00378, 0.0042, 0.81}, {"B2PBE", 0.00378, 0.0042, 1.0}, {"B3PBE", 0.00378, 0.0042, 0.81},
              {"B1LYP", 0.0042, 0.0042, 1.0},   {"B2LYP", 0.00378, 0.0042, 1.0}, {"B3LYP_PW", 0.00378, 0.0042, 0.81},
              {"B", 0.005, 0.006, 9},           {"BPBE", 0.005, 0.006, 9}};
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

class XcFunctionalStore : public testing::RuntimeTest {};

TEST_F(XcFunctionalStore, RecordRoundTripsThroughTheStore) {
  DftOptions o = read("$dft functional=b3lyp p=0 0 0 0.5 n=1 2 3 4 5 $end");
  xc_store_write(o.functional);
  xc_store_write(o.functional);  // rewriting keeps the one record
  EXPECT_EQ(store_size("functional"), static_cast<std::int64_t>(sizeof(XcFunctional)));
  const XcFunctional back = xc_store_read();
  EXPECT_EQ(std::memcmp(&back, &o.functional, sizeof back), 0);
}

}  // namespace
}  // namespace ostrel
