// The adaptive grid at its default settings integrates fitted densities to their analytic
// electron counts, for molecules with light, second-row and heavy atoms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/basis_record.hpp"
#include "model/molecule_record.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"
#include "scf/numint/basis_eval_shells.hpp"
#include "scf/grid/grid_options.hpp"
#include "scf/grid/grid_partition.hpp"
#include "scf/grid/grid_passes.hpp"
#include "scf/grid/grid_points.hpp"
#include "scf/grid/grid_record.hpp"
#include "scf/grid/grid_walk.hpp"
#include "scf/numint/xc_pass_system.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

const std::string kWater =
    "$molecule units=b cartesian\n 8 0 0 0\n 1 0 1.4304281 -1.1071596\n"
    " 1 0 -1.4304281 -1.1071596\n$end\n";
const std::string kBenzene =
    "$molecule units=b cartesian\n"
    " 6 2.6369 0 0\n 6 1.31845 2.28362 0\n 6 -1.31845 2.28362 0\n"
    " 6 -2.6369 0 0\n 6 -1.31845 -2.28362 0\n 6 1.31845 -2.28362 0\n"
    " 1 4.6959 0 0\n 1 2.34795 4.06677 0\n 1 -2.34795 4.06677 0\n"
    " 1 -4.6959 0 0\n 1 -2.34795 -4.06677 0\n 1 2.34795 -4.06677 0\n$end\n";
const std::string kMethylIodide =
    "$molecule units=b cartesian\n 6 0 0 0\n 53 0 0 4.0440\n 1 1.9416 0 -0.6860\n"
    " 1 -0.9708 1.6815 -0.6860\n 1 -0.9708 -1.6815 -0.6860\n$end\n";

class GridAccuracy : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    pool_init(std::int64_t{256} << 20);
    store_open("", -400);
  }

  void prepare(const std::string& molecule, const std::string& grid) {
    testing::xc_read_model(molecule, grid, "PBE", 1);
    fit = testing::model_fit_densities(1);
    testing::write_record("atomic_d", fit.atomic_d);
    testing::write_record("da", fit.da);
    testing::write_record("db", fit.db);
    testing::build_grid_and_weights();
  }

  double analytic(const std::vector<double>& d) const {
    double sum = 0.0;
    for (size_t k = 0; k < d.size(); ++k) sum += d[k] * fit.charge[k];
    return sum;
  }

  // Sum over the final grid of "grid_W" x the fitted density, point by point; per-atom
  // parts in `by_atom` when given.
  double integrate(const std::vector<double>& d, std::vector<double>* by_atom = nullptr) {
    Molecule mol = load_molecule(0, "Molecule");
    Basis basis = load_basis(0, "Basis2", mol);
    BasisShells view = basis_shells(basis);
    Grid g = grid_read(0);
    const std::vector<double> w = testing::read_record("grid_W");
    GridScreen screen = grid_screen(view.set, g.cutoff[GRID_FINAL]);
    GridShellBuffers b = grid_shell_buffers(mol.n_atoms, view.set.n_functions);
    if (by_atom) by_atom->assign(mol.n_atoms, 0.0);
    double sum = 0.0;
    long base = 0;
    for (int a = 0, shell = 0; a < g.n_atoms; ++a)
      for (int s = 0; s < g.nrad[a]; ++s, ++shell) {
        const RadialPoint rp = radial_point(g.nrad[a], s, g.alpha[a]);
        const int n = shell_points(g.orders[2 * shell], b.points, b.weights, mol.xyz + 3 * a,
                                   g.orientation + 9 * a, rp.r, rp.w);
        int self = 0;
        const int n_list = shell_neighbours(a, rp.r, mol.n_atoms, mol.xyz, screen.atom_extent2,
                                            b.list, &self);
        for (int i = 0; i < n; ++i) {
          const int count = basis_eval_point(view.set, screen.extent2, b.points + 3 * i, b.list,
                                             n_list, 0, b.function, b.values, b.stride, nullptr);
          double rho = 0.0;
          for (int m = 0; m < count; ++m) rho += d[b.function[m]] * b.values[m];
          sum += w[base + i] * rho;
          if (by_atom) (*by_atom)[a] += w[base + i] * rho;
        }
        base += n;
      }
    grid_shell_buffers_release(b);
    grid_screen_release(screen);
    grid_release(g);
    release_basis_shells(view);
    release_basis(basis);
    release_molecule(mol);
    return sum;
  }

  void fix_orders(int order) {
    Grid g = grid_read(0);
    for (int i = 0; i < g.n_shells; ++i) g.orders[2 * i] = order;
    grid_count_points(g);
    grid_write(g);
    store_write("Ngrid", 0, g.n_points, sizeof g.n_points);
    grid_release(g);
    Molecule mol = load_molecule(1, "Molecule");
    Basis basis = load_basis(1, "Basis2", mol);
    BasisShells view = basis_shells(basis);
    grid_weights(view.set);
    release_basis_shells(view);
    release_basis(basis);
    release_molecule(mol);
  }

  int points() { return store_get<int>("Ngrid"); }

  testing::FitDensities fit;
};

// The shell orders the construction picks leave an angular error well below the radial one:
// the electron count on the default grid matches a grid built at accuracy 1e-10 over the same
// radial shells. Measured errors against sum_k d_k s_k on the default grid (radial-limited,
// nradial 30 for H, 40 for C and O, 110 for I): water 9.9e-6, benzene 1.45e-4, CH3I 2.5e-5
// electrons; with every shell at 5810 points: 9.6e-6, 1.44e-4, 2.5e-5. Measuring the shell
// change on the energy density alone gave 2.7e-5, 1.51e-4, 3.1e-5.
TEST_F(GridAccuracy, DefaultOrdersReachTheRadialLimitOfTheElectronCount) {
  std::string tight = "$grid accuracy=1e-10 nradial=30 30";
  for (int z = 3; z <= 53; ++z) tight += z <= 10 ? " 40" : z <= 18 ? " 60" : z <= 36 ? " 80" : " 110";
  tight += " $end\n";
  for (const std::string* molecule : {&kWater, &kMethylIodide}) {
    store_clear();
    prepare(*molecule, "$grid $end\n");
    const double standard = integrate(fit.da);
    const int default_points = points();
    store_clear();
    prepare(*molecule, tight);
    EXPECT_GT(points(), default_points);
    EXPECT_NEAR(standard, integrate(fit.da), 1e-6);
  }
}

// Tighter accuracy brings more radial shells: at accuracy 1e-10 the count is right to 1e-7
// (measured: water 2e-9, CH3I 9e-9; at 1e-9 water 4.9e-7, CH3I 2.2e-6).
TEST_F(GridAccuracy, TightAccuracyCountsElectronsToATenthOfAMillionth) {
  for (const std::string* molecule : {&kWater, &kMethylIodide}) {
    store_clear();
    prepare(*molecule, "$grid accuracy=1e-10 $end\n");
    EXPECT_NEAR(integrate(fit.da), analytic(fit.da), 1e-7);
  }
}

TEST_F(GridAccuracy, DefaultRadialShellsFollowTheAccuracy) {
  const auto read = [](const char* text) {
    testing::InputFile f(text);
    return grid_read_options(f.get());
  };
  const GridOptions standard = read("$grid $end\n");
  const GridOptions loose = read("$grid accuracy=1e-5 $end\n");
  const GridOptions tight = read("$grid accuracy=1e-10 nradial=50 $end\n");
  for (int z : {0, 1, 6, 8, 17, 53, 105}) {
    EXPECT_EQ(standard.nradial[z], grid_default_options().nradial[z]) << z;
    EXPECT_EQ(loose.nradial[z], standard.nradial[z]) << z;
    if (z > 1) {
      EXPECT_EQ(tight.nradial[z], std::lround(standard.nradial[z] * std::cbrt(100.0))) << z;
    }
  }
  EXPECT_EQ(tight.nradial[1], 50);  // given values stay
  EXPECT_EQ(tight.nradial[6], 186);
}

// Diagnostic: GRID_INPUT (a "$grid" group), GRID_MOLECULE (a "$molecule" group) and GRID_FIX
// (one order for every final shell) choose the case; prints the count errors (GRID_ONLY_BUILD:
// the point count of the first molecule only, for timing the construction).
TEST_F(GridAccuracy, DISABLED_PrintCountErrors) {
  const char* names[3] = {"water", "benzene", "CH3I"};
  const std::string* mols[3] = {&kWater, &kBenzene, &kMethylIodide};
  const char* grid = std::getenv("GRID_INPUT") ? std::getenv("GRID_INPUT") : "$grid $end\n";
  std::string own = std::getenv("GRID_MOLECULE") ? std::getenv("GRID_MOLECULE") : "";
  for (int m = 0; m < 3; ++m) {
    if (!own.empty()) mols[m] = &own;
    store_clear();
    prepare(*mols[m], grid);
    const char* order = std::getenv("GRID_FIX");
    if (order && *order) fix_orders(std::atoi(order));
    if (std::getenv("GRID_ONLY_BUILD")) {
      std::printf("%d points\n", points());
      break;
    }
    std::vector<double> parts;
    const double e1 = integrate(fit.atomic_d, &parts) - analytic(fit.atomic_d);
    const double e2 = integrate(fit.da) - analytic(fit.da);
    std::printf("%-8s %8d points: atomic_d error %10.3e, da error %10.3e  per atom:", names[m],
                points(), e1, e2);
    for (double p : parts) std::printf(" %.8f", p);
    std::printf("\n");
  }
}

}  // namespace
}  // namespace ostrel
