#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/molecule_record.hpp"
#include "runtime/store.hpp"
#include "scf/grid/grid_options.hpp"
#include "scf/grid/grid_partition.hpp"
#include "scf/grid/grid_passes.hpp"
#include "scf/grid/grid_points.hpp"
#include "scf/grid/grid_test_system.hpp"
#include "scf/xc/xc_functional.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::GridTestSystem;
using testing::make_system;

class GridPasses : public testing::RuntimeTest {
 protected:
  void store_model(const GridTestSystem& t) {
    const int n = t.n_atoms();
    std::vector<char> storage(molecule_record_size(n, 1) + 64);
    Molecule m{};
    m.n_atoms = n;
    m.n_fragments = 1;
    m.first_fragment_atoms = n;
    molecule_attach(m, storage.data());
    for (int a = 0; a < n; ++a) {
      m.z[a] = t.z[a];
      for (int k = 0; k < 3; ++k) m.xyz[3 * a + k] = t.xyz[3 * a + k];
      m.charge[a] = t.z[a];
      m.fragment_atoms[a] = a;
      for (int k = 0; k < 32; ++k) m.bonds[32 * a + k] = -1;
    }
    m.fragment_counts[0] = m.fragment_counts[1] = n;
    store_molecule("Molecule", m);
    testing::InputFile f("$grid nradial=20 20 20 20 20 20 20 20 accuracy=1e-7 $end\n");
    ::testing::internal::CaptureStdout();
    grid_setup_options(f.get());
    ::testing::internal::GetCapturedStdout();
    const double p[32] = {};
    const std::int32_t nn[5] = {};
    XcFunctional func = xc_cleared(p, nn);
    xc_lookup("PBE", func);
    xc_store_write(func);
    store_put("closed", 1);
    const std::int64_t bytes = 8 * static_cast<std::int64_t>(t.da.size());
    store_alloc("da", bytes);
    store_write("da", 0, t.da.data(), bytes);
    store_alloc("atomic_d", bytes);
    store_write("atomic_d", 0, t.atomic_d.data(), bytes);
  }
};

void append(void* context, const double* w, int n) {
  auto* v = static_cast<std::vector<double>*>(context);
  v->insert(v->end(), w, w + n);
}

TEST_F(GridPasses, BuildRewritesTheGridAndWeightsFollowInGenerationOrder) {
  GridTestSystem t = make_system(testing::kWater, true);
  store_model(t);
  ::testing::internal::CaptureStdout();
  grid_build(t.set);
  const std::string out = ::testing::internal::GetCapturedStdout();
  Grid g = grid_read(0);
  char line[64];
  std::snprintf(line, sizeof line, " Grid: %8d points\n", g.n_points[GRID_FINAL]);
  EXPECT_EQ(out, line);
  EXPECT_LT(g.n_points[GRID_FINAL], 60 * 1202);
  EXPECT_EQ(store_get<int>("Ngrid"), g.n_points[GRID_FINAL]);
  EXPECT_EQ(store_get<int>("Ngrid", 4), g.n_points[GRID_COARSE]);
  EXPECT_NE(g.orientation[0], 0.0);  // set by the construction

  grid_weights(t.set);
  for (int k : {GRID_FINAL, GRID_COARSE}) {
    std::vector<double> expected;
    grid_walk_weights(g, t.system(), t.partition(), k, append, &expected);
    std::vector<double> stored(expected.size());
    store_read(k == GRID_FINAL ? "grid_W" : "grid_W1", 0, stored.data(), 8 * std::int64_t(stored.size()));
    EXPECT_EQ(stored, expected);
  }
  grid_release(g);
}

// rho_A = sum over mu, nu of P_A,mu,nu phi_mu phi_nu with the atom's own functions.
TEST_F(GridPasses, OrbitalPartitionUsesEachAtomsDensityMatrix) {
  GridTestSystem t = make_system({{8, 0, 0, 0}, {1, 0, 0, 1.8}, {1, 1.7, 0, -0.6}}, true);
  std::vector<double> blocks;
  std::vector<long> offsets;
  for (int a = 0; a < 3; ++a) {
    offsets.push_back(static_cast<long>(blocks.size()));
    for (int i = 0; i < 6; ++i)
      for (int j = 0; j <= i; ++j) blocks.push_back(i == j ? 0.5 + 0.1 * i : 0.02 * (i + j) * (a + 1));
  }
  const GridPartition part{nullptr, blocks.data(), offsets.data()};
  GridScreen none = grid_screen(t.set, 0.0);
  const double p[3] = {0.3, 0.2, 0.9};
  double rho[3];
  for (int a = 0; a < 3; ++a) {
    double phi[6];
    for (int k = 0; k < 4; ++k) {
      const GaussianShell& sh = t.shells[4 * a + k];
      const double d[3] = {p[0] - sh.centre[0], p[1] - sh.centre[1], p[2] - sh.centre[2]};
      shell_eval(sh, d, 0, phi + k, 1);
    }
    rho[a] = 0.0;
    for (int i = 0; i < 6; ++i)
      for (int j = 0; j < 6; ++j)
        rho[a] += blocks[offsets[a] + (i > j ? i * (i + 1) / 2 + j : j * (j + 1) / 2 + i)] * phi[i] * phi[j];
  }
  double sum = 0.0;
  for (int a = 0; a < 3; ++a) {
    const double* c = &t.xyz[3 * a];
    const double r = std::sqrt((p[0] - c[0]) * (p[0] - c[0]) + (p[1] - c[1]) * (p[1] - c[1]) + (p[2] - c[2]) * (p[2] - c[2]));
    const double w = grid_point_partition(t.system(), none, part, a, r, p);
    double total = 0.0;
    for (double q : rho) total += std::pow(std::max(q, 1e-12), 4.0 / 3.0);
    EXPECT_NEAR(w, std::pow(std::max(rho[a], 1e-12), 4.0 / 3.0) / total, 1e-13);
    sum += w;
  }
  EXPECT_NEAR(sum, 1.0, 1e-14);
  grid_screen_release(none);
}

TEST_F(GridPasses, OrbitalWeightsOfALoneAtomAreTheShellWeights) {
  GridTestSystem t = make_system({{8, 0, 0, 0}});
  store_model(t);
  std::vector<double> block(21, 0.0);
  for (int i = 0; i < 6; ++i) block[i * (i + 1) / 2 + i] = 1.0;
  const long offset = 0;
  grid_weights_orbital(t.set, block.data(), &offset);
  Grid g = grid_read(0);
  std::vector<double> w(g.n_points[GRID_FINAL]);
  store_read("grid_W", 0, w.data(), 8 * std::int64_t(w.size()));
  double sum = 0.0;
  for (double x : w) sum += x;
  double shells = 0.0;
  for (int s = 0; s < g.nrad[0]; ++s) {
    const RadialPoint rp = radial_point(g.nrad[0], s, g.alpha[0]);
    shells += 4 * std::numbers::pi * rp.r * rp.r * rp.w;
  }
  EXPECT_NEAR(sum, shells, 1e-12 * shells);
  grid_release(g);
}

}  // namespace
}  // namespace ostrel
