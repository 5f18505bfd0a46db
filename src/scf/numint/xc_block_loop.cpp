#include "scf/numint/xc_block_loop.hpp"

#include <algorithm>
#include <cmath>

#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "scf/grid/grid_points.hpp"
#include "scf/numint/basis_eval.hpp"

namespace ostrel {
namespace {

// Whether a function centred at o with squared extent e2 reaches one of the n points (the
// bounding sphere of a block is loose where the block is a patch of a large shell).
bool reaches_a_point(const double o[3], double e2, const double* points, int n) {
  for (int p = 0; p < n; ++p) {
    const double* q = points + 3 * p;
    if ((q[0] - o[0]) * (q[0] - o[0]) + (q[1] - o[1]) * (q[1] - o[1]) + (q[2] - o[2]) * (q[2] - o[2]) <= e2)
      return true;
  }
  return false;
}

// The points of a shell that enter the plan: those of nonzero weight (all without weights).
int shell_plan_points(int n, const double* w) {
  if (!w) return n;
  int count = 0;
  for (int i = 0; i < n; ++i) count += w[i] != 0.0;
  return count;
}

// Sizes of the plan for this node: its points and blocks. Blocks are cut from each shell's
// points as one process cuts them and dealt to the nodes in turn, so that every point meets
// the same neighbours in its block, and so the same rounding, on any number of nodes.
void plan_bounds(const Grid& grid, int k, const double* weights, std::int64_t* points, std::int64_t* blocks) {
  *points = *blocks = 0;
  std::int64_t first = 0, dealt = 0;
  for (int s = 0; s < grid.n_shells; ++s) {
    const int n = grid.orders[2 * s + k];
    const int count = shell_plan_points(n, weights ? weights + first : nullptr);
    first += n;
    for (int j = 0; j < count; j += kXcBlockPoints, ++dealt)
      if (dealt % node_count == node_id) {
        *points += std::min(kXcBlockPoints, count - j);
        ++*blocks;
      }
  }
}

}  // namespace

XcBlockPlan xc_block_plan(const Grid& grid, int k, const double* xyz, const double* weights) {
  std::int64_t max_points = 0, max_blocks = 0;
  plan_bounds(grid, k, weights, &max_points, &max_blocks);
  XcBlockPlan plan{};
  plan.stored = weights != nullptr;
  char* p = static_cast<char*>(pool_alloc(32 * std::max<std::int64_t>(max_points, 1) +
                                          static_cast<std::int64_t>(sizeof(XcPlanBlock)) * (max_blocks + 1)));
  plan.block = p;
  plan.points = reinterpret_cast<double*>(p);
  plan.weights = plan.points + 3 * max_points;
  plan.blocks = reinterpret_cast<XcPlanBlock*>(plan.weights + max_points);
  {
    PoolArray<double> points(3 * kGridMaxShellPoints), base(kGridMaxShellPoints);
    PoolArray<int> order(kGridMaxShellPoints), key(2 * kGridMaxShellPoints),
        cell_start(kGridMaxShellPoints / 24 + 2);
    std::int64_t first = 0;  // the shell's first point in the grid's order
    std::int64_t dealt = 0;  // blocks cut so far, on all nodes
    int n_points = 0, shell = 0;
    for (int a = 0; a < grid.n_atoms; ++a) {
      const double* centre = xyz + 3 * a;
      for (int s = 0; s < grid.nrad[a]; ++s, ++shell) {
        const RadialPoint rp = radial_point(grid.nrad[a], s, grid.alpha[a]);
        const int n = shell_points(grid.orders[2 * shell + k], points.data(), base.data(), centre,
                                   grid.orientation + 9 * a, rp.r, rp.w);
        const double* w = weights ? weights + first : base.data();
        first += n;
        int n_shell = 0;
        for (int i = 0; i < n; ++i)
          if (!weights || w[i] != 0.0) order[n_shell++] = i;
        if (n_shell > kXcBlockPoints)
          sort_by_direction(order.data(), n_shell, points.data(), centre, key.data(), cell_start.data());
        for (int j = 0; j < n_shell; j += kXcBlockPoints, ++dealt) {
          if (dealt % node_count != node_id) continue;
          const int size = std::min(kXcBlockPoints, n_shell - j);
          plan.blocks[plan.n_blocks++] = {a, n_points, size, rp.r};
          for (int q = j; q < j + size; ++q) {
            const int i = order[q];
            std::copy(points.data() + 3 * i, points.data() + 3 * i + 3, plan.points + 3 * n_points);
            plan.weights[n_points++] = w[i];
          }
        }
      }
    }
  }
  return plan;
}

void xc_block_plan_release(XcBlockPlan& plan) {
  if (plan.block) pool_release(plan.block);
  plan = XcBlockPlan{};
}

void xc_visit_blocks(const XcBlockPlan& plan, const GridSystem& system, double cutoff,
                     XcBlockOrder order, XcBlockVisit visit, void* context) {
  const ShellSet& basis = *system.basis;
  const int n_comp = basis_derivative_count(order.order);
  const std::int64_t nf = std::max(basis.n_functions, 1);
  GridScreen screen = grid_screen(basis, cutoff);
  {
    PoolArray<int> list(system.n_atoms), list_first(system.n_atoms + 1), function(nf),
        selected(std::max(basis.n_shells, 1));
    PoolArray<double> phi(n_comp * kXcBlockPoints * nf);
    XcBlock b{};
    b.list = list.data();
    b.list_first = list_first.data();
    b.function = function.data();
    b.n_comp = n_comp;
    b.phi = phi.data();
    for (int i = 0; i < plan.n_blocks; ++i) {
      const XcPlanBlock& pb = plan.blocks[i];
      b.n = pb.n;
      b.points = plan.points + 3 * std::int64_t{pb.first};
      b.weights = plan.weights + pb.first;
      b.atom = pb.atom;
      b.n_list = shell_neighbours(pb.atom, pb.r, system.n_atoms, system.xyz, screen.atom_extent2,
                                  list.data(), &b.self);
      double c[3] = {0, 0, 0};
      for (int p = 0; p < b.n; ++p)
        for (int x = 0; x < 3; ++x) c[x] += b.points[3 * p + x] / b.n;
      double radius2 = 0.0;
      for (int p = 0; p < b.n; ++p) {
        const double* q = b.points + 3 * p;
        radius2 = std::max(radius2, (q[0] - c[0]) * (q[0] - c[0]) + (q[1] - c[1]) * (q[1] - c[1]) +
                                        (q[2] - c[2]) * (q[2] - c[2]));
      }
      const double radius = std::sqrt(radius2);
      // Shells of the listed atoms that reach the block's bounding sphere.
      int n_sel = 0, nb = 0;
      for (int j = 0; j < b.n_list; ++j) {
        list_first[j] = nb;
        for (int s = basis.atom_first_shell[list[j]]; s < basis.atom_first_shell[list[j] + 1]; ++s) {
          if (!(screen.extent2[s] > 0.0)) continue;
          const double* o = basis.shells[s].centre;
          const double gap = std::sqrt((o[0] - c[0]) * (o[0] - c[0]) + (o[1] - c[1]) * (o[1] - c[1]) +
                                       (o[2] - c[2]) * (o[2] - c[2])) - radius;
          if (gap > 0.0 && gap * gap > screen.extent2[s]) continue;
          if (!reaches_a_point(o, screen.extent2[s], b.points, b.n)) continue;
          selected[n_sel++] = s;
          for (int f = 0; f <= 2 * basis.shells[s].l; ++f) function[nb++] = basis.shells[s].first_function + f;
        }
      }
      list_first[b.n_list] = nb;
      if (nb == 0) continue;
      b.n_functions = nb;
      b.stride = std::int64_t{b.n} * nb;
      for (int m = 0, q = 0; q < n_sel; ++q) {
        const int s = selected[q];
        const GaussianShell& sh = basis.shells[s];
        const bool low = order.self_first_order && order.order > 1 && sh.atom == b.atom;
        shell_eval_points(sh, screen.extent2[s], b.points, b.n, low ? 1 : order.order, phi.data() + m,
                          nb, b.stride);
        m += 2 * sh.l + 1;
      }
      visit(context, b);
    }
  }
  grid_screen_release(screen);
}

}  // namespace ostrel
