#include "scf/grid/grid_weights.hpp"

#include <algorithm>

#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "scf/grid/grid_points.hpp"

namespace ostrel {

void grid_walk_weights(const Grid& grid, const GridSystem& sys, int k,
                       void (*sink)(void*, const double*, int), void* context) {
  PoolArray<double> points(3 * kGridMaxShellPoints), weights(kGridMaxShellPoints);
  // One sum over the nodes per batch of shells rather than per shell: every sum waits for
  // the slowest node.
  constexpr int kBatch = 16 * kGridMaxShellPoints;
  PoolArray<double> batch(kBatch);
  int filled = 0;
  auto flush = [&] {
    if (filled == 0) return;  // the same on every node
    mp_sum(batch.data(), filled, MP_DOUBLE);
    if (is_master) sink(context, batch.data(), filled);
    filled = 0;
  };
  int shell = 0;
  for (int a = 0; a < grid.n_atoms; ++a) {
    const double* centre = sys.xyz + 3 * a;
    for (int s = 0; s < grid.nrad[a]; ++s, ++shell) {
      const RadialPoint rp = radial_point(grid.nrad[a], s, grid.alpha[a]);
      const int n = shell_points(grid.orders[2 * shell + k], points.data(), weights.data(), centre,
                                 grid.orientation + 9 * a, rp.r, rp.w);
      if (n == 0) continue;
      for (int i = 0; i < n; ++i)
        weights[i] = i % node_count != node_id ? 0.0 : weights[i] * cell_weight(*sys.cells, &points[3 * i], a);
      if (filled + n > kBatch) flush();
      std::copy(weights.data(), weights.data() + n, batch.data() + filled);
      filled += n;
    }
  }
  flush();
}

}  // namespace ostrel
