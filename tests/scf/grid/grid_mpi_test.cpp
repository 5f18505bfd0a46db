// The grid construction and weights shared out over the nodes give the single-process
// results on every node (run under mpirun -np 2, 3).
#include <gtest/gtest.h>

#include <vector>

#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "scf/grid/grid_build.hpp"
#include "scf/grid/grid_test_system.hpp"

namespace ostrel {
namespace {

using testing::GridTestSystem;
using testing::make_grid;
using testing::make_system;

void append(void* context, const double* w, int n) {
  auto* v = static_cast<std::vector<double>*>(context);
  v->insert(v->end(), w, w + n);
}

struct Result {
  std::vector<int> orders;
  std::vector<double> weights[2];
};

Result build(const GridTestSystem& t, const XcFunctional& f) {
  Grid g = make_grid(t, 30, 26);
  grid_build_orders(g, t.system(), GridDensity{t.da.data(), t.da.data(), 1, t.atomic_d.data()}, f, 1);
  Result r;
  r.orders.assign(g.orders, g.orders + 2 * g.n_shells);
  for (int k : {GRID_FINAL, GRID_COARSE}) grid_walk_weights(g, t.system(), t.partition(), k, append, &r.weights[k]);
  grid_release(g);
  return r;
}

TEST(GridMpi, SharedConstructionAndWeightsMatchOneProcess) {
  GridTestSystem t = make_system(testing::kWater, true);
  const double p[32] = {};
  const std::int32_t n[5] = {};
  XcFunctional f = xc_cleared(p, n);
  ASSERT_TRUE(xc_lookup("PBE", f));

  // One process: every node alone, with messages off.
  const int nodes = node_count, id = node_id, master = is_master;
  node_count = 1;
  node_id = 0;
  is_master = 1;
  const Result serial = build(t, f);
  node_count = nodes;
  node_id = id;
  is_master = master;

  const Result shared = build(t, f);
  EXPECT_EQ(shared.orders, serial.orders);
  if (is_master) {
    for (int k : {GRID_FINAL, GRID_COARSE}) EXPECT_EQ(shared.weights[k], serial.weights[k]);
  }
  // Every node ends with the master's orders.
  std::vector<int> from_master = shared.orders;
  mp_bcast(from_master.data(), static_cast<std::int64_t>(from_master.size()), MP_INT);
  EXPECT_EQ(shared.orders, from_master);
}

}  // namespace
}  // namespace ostrel
