// The grid's store records: options read into the set-up records, the construction rewriting
// "Grid", the weights passes writing "grid_W" and "grid_W1".
#include "scf/grid/grid_options.hpp"
#include "scf/grid/grid_passes.hpp"
#include "scf/grid/grid_print.hpp"
#include "scf/grid/grid_test_system.hpp"

namespace ostrel {
namespace {

using testing::GridTestSystem;
using testing::InputFile;
using testing::make_system;

class GridPasses : public testing::RuntimeTest {
 protected:
  std::string setup(const std::string& group) {
    return testing::captured_stdout([&] { grid_setup_options(InputFile(group).get()); });
  }
  void store_model(const GridTestSystem& t) {
    testing::store_test_molecule(t.z, t.xyz);
    setup("$grid nradial=20 20 20 20 20 20 20 20 accuracy=1e-7 $end\n");
    xc_store_write(testing::named_functional("PBE"));
    store_put("closed", 1);
    for (const char* name : {"da", "atomic_d"}) {
      const std::vector<double>& v = name[0] == 'd' ? t.da : t.atomic_d;
      store_alloc(name, 8 * static_cast<std::int64_t>(v.size()));
      store_put_array<double>(name, v);
    }
  }
};

TEST_F(GridPasses, OptionsDeriveTheThresholdsAndTheRadialShellsFromTheAccuracy) {
  auto read = [](const std::string& text) {
    return grid_read_options(InputFile(text).get());
  };
  const GridOptions o = read("$grid nradial=20 25 27 size=4.5 accuracy=1e-6 small=1e-8 use43=0 $end\n");
  EXPECT_EQ(o.nradial[3], 27);  // values start at hydrogen
  EXPECT_EQ((std::vector<double>{o.size[1], 1.0 * o.use43}), (std::vector<double>{4.5, 0}));
  EXPECT_DOUBLE_EQ(o.accuracy[1], 1e-4);
  EXPECT_EQ(testing::captured_stdout([&] { grid_print_options(o); }),
            "\n grid: accuracy=1.0e-06,1.0e-04, cut=1.0e-08,1.0e-06\n");
  std::string full = "$grid nradial=";
  for (int i = 0; i < 106; ++i) full += std::to_string(10 + i) + " ";
  EXPECT_EQ(read(full + "$end\n").nradial[105], 114);
  // Loose accuracy caps the coarse one; tight accuracy clamps and brings more radial shells.
  EXPECT_EQ(read("$grid accuracy=1e-4 $end\n").accuracy[1], 1e-3);
  const GridOptions tight = read("$grid accuracy=1e-12 cutoff=1e-15 1e-9 nradial=50 $end\n");
  EXPECT_EQ((std::vector<double>{tight.accuracy[0], tight.accuracy[1], tight.cutoff[0], tight.cutoff[1]}),
            (std::vector<double>{1e-10, 1e-5, 1e-12, 1e-7}));
  EXPECT_EQ(tight.nradial[1], 50);  // given values stay
  EXPECT_EQ(tight.nradial[6], std::lround(40 * std::cbrt(100.0)));
  EXPECT_EQ(read("$grid accuracy=1e-5 $end\n").nradial[53], 110);
  EXPECT_EQ(read("$grid nradial=0 $end\n").nradial[1], 1);
}

// The initial grid takes the largest rule on every shell; a smaller rule on one shell counts
// its points out again.
TEST_F(GridPasses, SetUpCountsTheInitialGridAndRecountsAChangedShell) {
  testing::store_test_molecule({8, 1, 1, 11}, {0, 0, 0, 0, 0, 2, 0, 0, 4, 0, 0, 6});
  EXPECT_EQ(setup("$grid accuracy=1e-7 $end\n"), "\n grid: accuracy=1.0e-07,1.0e-05, cut=1.0e-09,1.0e-07\n");
  const int shells = 40 + 30 + 30 + 60;
  Grid g = grid_read(0);
  EXPECT_EQ(g.alpha[3], 7.0);  // sodium
  EXPECT_EQ(g.atom_points[2 * 3], 60 * 1202);
  g.orders[2 * 5] = 26;
  grid_count_points(g);
  grid_write(g);
  Grid h = grid_read(0);
  EXPECT_EQ(h.n_points[0], 1202 * shells - 1176);
  grid_release(h);
  grid_release(g);
  EXPECT_FATAL(grid_allocate(-1, 3), "grid of -1 atoms");
}

TEST_F(GridPasses, BuildRewritesTheGridAndTheWeightsFollowInGenerationOrder) {
  GridTestSystem t = make_system(testing::kWater, true);
  store_model(t);
  const std::string out = testing::captured_stdout([&] { grid_build(t.set); });
  Grid g = grid_read(0);
  char line[64];
  std::snprintf(line, sizeof line, " Grid: %8d points\n", g.n_points[GRID_FINAL]);
  EXPECT_EQ(out, line);
  EXPECT_LT(g.n_points[GRID_FINAL], 60 * 1202);
  EXPECT_EQ(store_get<int>("Ngrid", 4), g.n_points[GRID_COARSE]);
  EXPECT_NE(g.orientation[0], 0.0);  // set by the construction
  grid_weights(t.set);
  for (int k : {GRID_FINAL, GRID_COARSE}) {
    const std::vector<double> expected = testing::weights_of(g, t, k);
    std::vector<double> stored(expected.size());
    store_get_array<double>(k == GRID_FINAL ? "grid_W" : "grid_W1", stored);
    EXPECT_EQ(stored, expected);
  }
  const int z[3] = {8, 1, 1};
  EXPECT_EQ(testing::captured_stdout([&] { grid_print(g, z); }).substr(0, 30), "\ngrid> center  1, atom  8:\ngri");
  grid_release(g);
}

}  // namespace
}  // namespace ostrel
