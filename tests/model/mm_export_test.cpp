// The "mm>" exchange block for water.
#include "model/result_groups.hpp"

#include <cstdlib>

#include "runtime/records.hpp"
#include "support/model_input.hpp"

namespace ostrel {
namespace {

class MmExport : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    testing::read_test_molecule(testing::molecule_group(testing::kWaterAtoms));
    std::vector<double> d(9, 0.0), g(9), h(45 + 9 * 3 + 6, 0.0);
    d[0] = 0.0, d[1] = -1.0 / 3, d[2] = 0.7290117;
    for (int i = 0; i < 9; ++i) g[i] = (i % 3 == 2 ? 1.0 : 0.1) / (i + 7);
    for (int i = 0; i < 45; ++i) h[i] = 1.0 / (i + 1);
    testing::put_reals("Energy", {-76.32135612391204});
    testing::put_reals("Dipole", d);
    testing::put_reals("Gradient", g);
    testing::put_reals("Hessian", h);
  }
  std::vector<std::string> write(int e, int g, int h) {
    record_put(rec::haveE, ResultsGiven{e, g, h});
    const std::int64_t before = pool_available();
    const std::string out = testing::captured_stdout(write_mm_block);
    EXPECT_EQ(pool_available(), before);
    return testing::lines_of(out);
  }
};

// Values of a line after its "mm>" tag.
std::vector<double> values(const std::string& line) {
  std::vector<double> v;
  const char* p = line.c_str() + 3;
  for (char* end;; p = end) {
    const double x = std::strtod(p, &end);
    if (end == p) break;
    v.push_back(x);
  }
  return v;
}

// The structure alone, then energy, dipole, gradient and Hessian in full precision; other
// nodes write nothing.
TEST_F(MmExport, BlocksInFullPrecisionOnTheMasterOnly) {
  std::vector<std::string> lines = write(0, 0, 0);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "mm>3");
  EXPECT_EQ(lines[2], "mm>  8  0.000000000000000e+00  0.000000000000000e+00  2.216648584603077e-01");
  const testing::LoadedMolecule m;
  for (int a = 0; a < 3; ++a) {
    const std::vector<double> v = values(lines[2 + a]);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0], m.z[a]);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(v[1 + c], m.xyz[3 * a + c], 1e-15 * (1 + std::abs(m.xyz[3 * a + c])));
  }
  EXPECT_EQ(write(1, 0, 0).size(), 8u);
  lines = write(1, 1, 1);
  // 6 structure lines, energy + separator, dipole + separator, 3 gradient + separator, 9 rows.
  ASSERT_EQ(lines.size(), 6u + 2 + 2 + 4 + 9);
  for (int k : {1, 5, 7, 9, 13}) EXPECT_EQ(lines[k], "mm>") << k;
  EXPECT_EQ(lines[6], "mm>-7.632135612391204e+01");
  EXPECT_EQ(lines[8], "mm>  0.000000000000000e+00 -3.333333333333333e-01  7.290117000000000e-01");
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(values(lines[10 + i / 3])[i % 3], (i % 3 == 2 ? 1.0 : 0.1) / (i + 7), 1e-16);
  for (int i = 0, k = 0; i < 9; ++i) {
    const std::vector<double> row = values(lines[14 + i]);
    ASSERT_EQ(row.size(), static_cast<std::size_t>(i + 1));
    for (int j = 0; j <= i; ++j, ++k) EXPECT_NEAR(row[j], 1.0 / (k + 1), 1e-15 / (k + 1));
  }
  is_master = 0;
  lines = write(1, 1, 1);
  is_master = 1;
  EXPECT_TRUE(lines.empty());
}

}  // namespace
}  // namespace ostrel
