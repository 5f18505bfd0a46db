// The "$mmdata" format: reading, the stored layout, writing back, and every refusal.

#include "models/mm/mm_fixture.hpp"
#include "models/mm/mm_parameter_index.hpp"
#include "models/mm/mm_parameter_reader.hpp"
#include "models/mm/mm_parameter_writer.hpp"
#include "runtime/records.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::captured_stdout;
using testing::kMmTestGroup;
using testing::MmParameterBlock;

class MmParametersTest : public testing::RuntimeTest {};

TEST_F(MmParametersTest, ReadsLayoutAndSignRules) {
  MmParameterBlock p(kMmTestGroup);
  EXPECT_EQ((*p).ntypes, 4);
  EXPECT_STREQ((*p).type_names[3], "HO");
  const int h = 0, c = 1, o = 2;
  // Written "O C 0.25": stored for (C, O) with the sign turned.
  const int co = mm_bond_record(*p, o, c);
  ASSERT_GE(co, 0);
  EXPECT_EQ(co, mm_bond_record(*p, c, o));
  EXPECT_DOUBLE_EQ((*p).bond[co].p[2], -0.25);
  // Written "C H 0.05" against the order too: stored for (H, C) as -0.05, and C is the
  // later type that gains it.
  EXPECT_DOUBLE_EQ((*p).bond[mm_bond_record(*p, c, h)].p[2], -0.05);
  // Written "C C H": first type after the third, so the stretch-bend constants swap.
  const int cch = mm_angle_record(*p, h, c, c);
  ASSERT_GE(cch, 0);
  EXPECT_EQ(cch, mm_angle_record(*p, c, c, h));
  EXPECT_DOUBLE_EQ((*p).angle[cch].p[3], 0.035);
  EXPECT_DOUBLE_EQ((*p).angle[cch].p[4], 0.025);
  // Torsions in both directions, and the second table apart from the first.
  EXPECT_EQ(mm_torsion_record(*p, 1, h, c, c, o), mm_torsion_record(*p, 1, o, c, c, h));
  EXPECT_GE(mm_torsion_record(*p, 2, c, c, o, 3), 0);
  EXPECT_LT(mm_torsion_record(*p, 2, h, c, c, h), 0);
  EXPECT_EQ((*p).torsion2[mm_torsion_record(*p, 2, 3, o, c, c)].n1, 2);
  EXPECT_DOUBLE_EQ((*p).pair[1 * 2 / 2 + 0].p[2], 0.3);
  EXPECT_DOUBLE_EQ((*p).atom[o].p[1], -0.1);  // the comment after it was skipped
}

TEST_F(MmParametersTest, WrittenGroupReadsBackIdentical) {
  MmParameterBlock p(kMmTestGroup);
  const std::string written = captured_stdout([&] { write_mm_parameters(*p); });
  MmParameterBlock again(written);
  EXPECT_EQ(std::memcmp(&*p, &*again, sizeof(MmParameters)), 0) << written;
  EXPECT_EQ(written.substr(0, 17), "$mmdata\ntype\nH   ");
  // The shipped set as well: every torsion and angle finds its way back to its record.
  PoolArray<MmParameters> shipped(1);
  std::FILE* f = std::fopen(OSTREL_SOURCE_DIR "/data/mm/organic.mm", "r");
  ASSERT_NE(f, nullptr);
  parse_mm_parameters(f, "mmdata", shipped[0]);
  std::fclose(f);
  MmParameterBlock shipped_again(captured_stdout([&] { write_mm_parameters(shipped[0]); }));
  EXPECT_EQ(std::memcmp(shipped.data(), &*shipped_again, sizeof(MmParameters)), 0);
}

// From the input file (empty name) or a named file; either way the block lands in "mmdata".
TEST_F(MmParametersTest, ReadsGroupFromInputOrFile) {
  const std::string printed = captured_stdout([] {
    testing::with_stdin(std::string("$control theory=mm $end\n") + kMmTestGroup, [] { read_mm_parameters("", "mmdata"); });
  });
  EXPECT_NE(printed.find("\n mm file: ''\n"), std::string::npos);
  PoolArray<MmParameters> stored(1);
  record_read(rec::mmdata, stored.data(), 1);
  EXPECT_EQ(stored[0].ntypes, 4);
  EXPECT_FATAL(read_mm_parameters("/nonexistent/set.mm", "mmdata"), "\nfile '/nonexistent/set.mm'?\n");
  const std::string shipped = captured_stdout([] { read_mm_parameters("organic.mm", "mmdata"); });
  EXPECT_NE(shipped.find("data/mm/organic.mm"), std::string::npos);
}

std::string group(const std::string& body) { return "$mmdata\n" + body + "\n$end\n"; }

TEST_F(MmParametersTest, MalformedGroupsStopWithOneLine) {
  const std::string types = "type A B\n";
  EXPECT_FATAL(MmParameterBlock(group(types + "bond A Q 0 0 1 1 0")), "'Q'?");
  EXPECT_FATAL(MmParameterBlock(group(types + "bond A B 0 0 1 1")), "bond A B: wrong count of numbers");
  EXPECT_FATAL(MmParameterBlock(group(types + "bond A B 0 0 1 1 0 7\nangle")), "bond A B: wrong count");
  EXPECT_FATAL(MmParameterBlock(group(types + "atom A 0 0.5 1 1 1 1 1")), "atom A: wrong count");
  // Out of the integer range or not finite: rejected, not wrapped into some other value.
  EXPECT_FATAL(MmParameterBlock(group(types + "atom A 0 4294967298 1 1 1 1 1")), "atom A: wrong count");
  EXPECT_FATAL(MmParameterBlock(group(types + "bond A B 0 0 nan 1 0")), "bond A B: wrong count");
  EXPECT_FATAL(MmParameterBlock(group(types + "bond A B 0 0 1 1 0\nB A 0 0 1 1 0")), "bond B A defined twice");
  EXPECT_FATAL(MmParameterBlock(group(types + "angle A B A 0 0 1 1 1 1 1")), "angle A B A needs both");
  EXPECT_FATAL(MmParameterBlock(group("bond A B 0 0 1 1 0")), "'type' comes first");
  EXPECT_FATAL(MmParameterBlock(group(types + "atom\ntype C")), "'type' comes first");
  EXPECT_FATAL(MmParameterBlock("$mmdata\n" + types + "bond A B 0 0 1 1 0\n"), "no $end");
  EXPECT_FATAL(MmParameterBlock("$other\n$end\n"), "group $mmdata not found");

  std::string many = "type";
  for (int t = 0; t <= MM_TYPES; ++t) many += " T" + std::to_string(t);
  EXPECT_FATAL(MmParameterBlock(group(many)), "N=129");
  // Type 40 with itself is pair 860 of a 512-record table.
  EXPECT_FATAL(MmParameterBlock(group(many.substr(0, many.find(" T41")) + "\npair T40 T40 0 0 1 1 1")),
               "pair T40 T40 lies beyond the 512-entry pair table");

  std::string star = "type";
  for (int t = 0; t <= 33; ++t) star += " S" + std::to_string(t);
  star += "\nbond";
  for (int t = 1; t <= 33; ++t) star += " S0 S" + std::to_string(t) + " 0 0 1 1 0";
  EXPECT_FATAL(MmParameterBlock(group(star)), "M=32");

  // 257 bonds among 23 types (no type beyond 23 slots) overflow the 512 slot entries.
  std::string dense = "type";
  for (int t = 0; t < 23; ++t) dense += " D" + std::to_string(t);
  dense += "\nbond";
  int bonds = 0;
  for (int a = 0; a < 23 && bonds < 257; ++a)
    for (int b = a; b < 23 && bonds < 257; ++b, ++bonds)
      dense += "\nD" + std::to_string(a) + " D" + std::to_string(b) + " 0 0 1 1 0";
  EXPECT_FATAL(MmParameterBlock(group(dense)), "Nij=514");
}

}  // namespace
}  // namespace ostrel
