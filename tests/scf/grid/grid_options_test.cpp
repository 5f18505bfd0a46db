#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/molecule_record.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"
#include "scf/grid/grid_options.hpp"
#include "scf/grid/grid_print.hpp"
#include "scf/grid/grid_record.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {
using testing::InputFile;

class GridOptionsTest : public testing::RuntimeTest {
 protected:
  // A "Molecule" record of the given atomic numbers on a line.
  void molecule(const std::vector<int>& z) {
    const int n = static_cast<int>(z.size());
    std::vector<char> storage(molecule_record_size(n, 1) + 64);
    Molecule m{};
    m.n_atoms = n;
    m.n_fragments = 1;
    m.first_fragment_atoms = n;
    molecule_attach(m, storage.data());
    for (int a = 0; a < n; ++a) {
      m.z[a] = z[a];
      m.xyz[3 * a + 2] = 2.0 * a;
      m.charge[a] = z[a];
      m.fragment_of[a] = 0;
      m.fragment_atoms[a] = a;
      for (int k = 0; k < 32; ++k) m.bonds[32 * a + k] = -1;
    }
    m.fragment_counts[0] = m.fragment_counts[1] = n;
    store_molecule("Molecule", m);
  }
  std::string setup(const std::string& group) {
    InputFile f(group);
    ::testing::internal::CaptureStdout();
    grid_setup_options(f.get());
    return ::testing::internal::GetCapturedStdout();
  }
};

TEST_F(GridOptionsTest, DefaultsPerElementAndDerivedThresholds) {
  GridOptions o = grid_default_options();
  EXPECT_EQ(o.nradial[1], 30);
  EXPECT_EQ(o.nradial[2], 30);
  EXPECT_EQ(o.nradial[3], 40);
  EXPECT_EQ(o.nradial[10], 40);
  EXPECT_EQ(o.nradial[18], 60);
  EXPECT_EQ(o.nradial[36], 80);
  EXPECT_EQ(o.nradial[54], 110);
  EXPECT_EQ(o.nradial[86], 150);
  EXPECT_EQ(o.nradial[105], 200);
  for (int z : {3, 4, 11, 12, 19, 20, 37, 38, 55, 56, 87, 88}) EXPECT_EQ(o.size[z], 7.0) << z;
  for (int z : {1, 2, 5, 10, 13, 21, 86, 89, 105}) EXPECT_EQ(o.size[z], 5.0) << z;
  grid_apply_defaults(o);
  EXPECT_EQ(o.accuracy[0], 1e-8);
  EXPECT_DOUBLE_EQ(o.accuracy[1], 1e-5);
  EXPECT_DOUBLE_EQ(o.cutoff[0], 1e-10);
  EXPECT_DOUBLE_EQ(o.cutoff[1], 1e-7);
  EXPECT_EQ(o.small[0], 1e-7);
  EXPECT_EQ(o.small[1], 1e-7);
  EXPECT_EQ(o.use43, 1);
  EXPECT_EQ(o.spare, 1);

  GridOptions loose = grid_default_options();
  loose.accuracy[0] = 1e-4;
  grid_apply_defaults(loose);
  EXPECT_EQ(loose.accuracy[1], 1e-3);  // capped
  GridOptions tight = grid_default_options();
  tight.accuracy[0] = 1e-12;
  tight.cutoff[0] = 1e-15;
  tight.cutoff[1] = 1e-9;
  grid_apply_defaults(tight);
  EXPECT_EQ(tight.accuracy[0], 1e-10);
  EXPECT_EQ(tight.accuracy[1], 1e-5);
  EXPECT_EQ(tight.cutoff[0], 1e-12);
  EXPECT_EQ(tight.cutoff[1], 1e-7);
}

TEST_F(GridOptionsTest, GroupValuesStartAtHydrogenAndThePrintLineShowsTheThresholds) {
  InputFile f("$grid nradial=20 25 27 size=4.5 accuracy=1e-6 small=1e-8 use43=0 $end\n");
  const GridOptions o = grid_read_options(f.get());
  EXPECT_EQ(o.nradial[1], 20);
  EXPECT_EQ(o.nradial[2], 25);
  EXPECT_EQ(o.nradial[3], 27);
  EXPECT_EQ(o.nradial[4], 40);
  EXPECT_EQ(o.size[1], 4.5);
  EXPECT_EQ(o.size[3], 7.0);
  EXPECT_DOUBLE_EQ(o.accuracy[1], 1e-4);
  EXPECT_EQ(o.small[0], 1e-8);
  EXPECT_EQ(o.small[1], 1e-7);
  EXPECT_EQ(o.use43, 0);
  ::testing::internal::CaptureStdout();
  grid_print_options(o);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "\n grid: accuracy=1.0e-06,1.0e-04, cut=1.0e-08,1.0e-06\n");
}

TEST_F(GridOptionsTest, FullTableOf106ValuesIsAccepted) {
  std::string text = "$grid nradial=";
  for (int i = 0; i < 106; ++i) text += std::to_string(10 + i) + " ";
  InputFile f(text + "$end\n");
  const GridOptions o = grid_read_options(f.get());
  EXPECT_EQ(o.nradial[1], 10);
  EXPECT_EQ(o.nradial[105], 114);
}

TEST_F(GridOptionsTest, SetUpStoresTheInitialGridAndTheOptionRecords) {
  molecule({8, 1, 1, 11});
  const std::string out = setup("$grid accuracy=1e-7 $end\n");
  EXPECT_EQ(out, "\n grid: accuracy=1.0e-07,1.0e-05, cut=1.0e-09,1.0e-07\n");
  const int shells = 40 + 30 + 30 + 60;
  EXPECT_EQ(store_size("Grid"), 68 + 92 * 4 + 8 * shells);
  EXPECT_EQ(store_size("grid_W"), 8 * 5810 * shells);
  EXPECT_EQ(store_size("grid_W1"), 8 * 5810 * shells);
  EXPECT_EQ(store_get<int>("grid_fine"), 1);
  EXPECT_EQ(store_get<int>("grid_spare"), 1);
  EXPECT_EQ(store_get<double>("grid_accuracy", 8), 1e-5);
  EXPECT_EQ(store_get<int>("grid.Nrad", 4 * 11), 60);
  EXPECT_EQ(store_get<int>("Ngrid"), 1202 * shells);
  EXPECT_EQ(store_get<int>("Ngrid", 4), 302 * shells);
  // Field by field: the record's bytes as documented.
  EXPECT_EQ(store_get<double>("Grid", 16), 1e-9);      // cutoff final
  EXPECT_EQ(store_get<int>("Grid", 48), 1);            // use43
  EXPECT_EQ(store_get<int>("Grid", 52), 4);            // atoms
  EXPECT_EQ(store_get<int>("Grid", 56), shells);
  EXPECT_EQ(store_get<int>("Grid", 68 + 12), 60);      // nrad of the sodium
  EXPECT_EQ(store_get<double>("Grid", 68 + 16 + 72 * 4 + 24), 7.0);  // its alpha
  const std::int64_t orders = 68 + 92 * 4;
  EXPECT_EQ(store_get<int>("Grid", orders), 1202);
  EXPECT_EQ(store_get<int>("Grid", orders + 4), 302);

  Grid g = grid_read(0);
  EXPECT_EQ(g.n_atoms, 4);
  EXPECT_EQ(g.n_shells, shells);
  EXPECT_EQ(g.nrad[0], 40);
  EXPECT_EQ(g.atom_points[2 * 3], 60 * 1202);
  EXPECT_EQ(g.n_points[GRID_COARSE], 302 * shells);
  EXPECT_EQ(g.orientation[0], 0.0);
  // Written back unchanged, read again alike.
  g.orders[2 * 5] = 26;
  grid_count_points(g);
  grid_write(g);
  Grid h = grid_read(0);
  EXPECT_EQ(h.orders[10], 26);
  EXPECT_EQ(h.n_points[0], 1202 * shells - 1176);
  grid_release(h);
  grid_release(g);
}

TEST_F(GridOptionsTest, GridPrintListsTheFinalOrderOfEveryShell) {
  Grid g = grid_allocate(2, 3);
  g.nrad[0] = 2;
  g.nrad[1] = 1;
  const int orders[6] = {26, 50, 110, 26, 974, 302};
  std::copy(orders, orders + 6, g.orders);
  const int z[2] = {8, 1};
  ::testing::internal::CaptureStdout();
  grid_print(g, z);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "\ngrid> center  1, atom  8:\ngrid>   1:   26\ngrid>   2:  110\n"
            "\ngrid> center  2, atom  1:\ngrid>   1:  974\n\n");
  grid_release(g);
}

}  // namespace
}  // namespace ostrel
