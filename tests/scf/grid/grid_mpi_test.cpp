// The grid construction and weights shared out over the nodes give the single-process
// results on every node (run under mpirun -np 2, 3).
#include <gtest/gtest.h>

#include <vector>

#include "runtime/message_passing.hpp"
#include "scf/grid/grid_build.hpp"
#include "scf/grid/grid_test_system.hpp"

namespace ostrel {
namespace {

using testing::GridTestSystem;

struct Result {
  std::vector<int> orders;
  std::vector<double> weights[2];
};

Result build(const GridTestSystem& t, const XcFunctional& f) {
  Grid g = testing::make_grid(t, 30, 26);
  grid_build_orders(g, t.system(), GridDensity{t.da.data(), t.da.data(), 1, t.atomic_d.data()}, f, 1);
  Result r;
  r.orders.assign(g.orders, g.orders + 2 * g.n_shells);
  for (int k : {GRID_FINAL, GRID_COARSE}) r.weights[k] = testing::weights_of(g, t, k);
  grid_release(g);
  return r;
}

TEST(GridMpi, SharedConstructionAndWeightsMatchOneProcess) {
  GridTestSystem t = testing::make_system(testing::kWater, true);
  const XcFunctional f = testing::named_functional("PBE");
  const Result serial = testing::as_one_process([&] { return build(t, f); });
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
