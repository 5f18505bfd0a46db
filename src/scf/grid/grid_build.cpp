#include "scf/grid/grid_build.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "scf/grid/fit_polynomials.hpp"
#include "scf/grid/grid_points.hpp"
#include "scf/grid/grid_weights.hpp"
#include "scf/numint/xc_energy_passes.hpp"
#include "scf/xc/xc_point.hpp"

namespace ostrel {
namespace {

// Change of a shell between two orders: of its energy and of its electron count, as the
// density converges more slowly than the Slater energy density where it is small.
double shell_change(const double* now, const double* before) {
  const double energy = std::fabs(now[0] - before[0]);
  return std::max(energy, std::fabs(now[1] - before[1]));
}

// The densities the construction integrates, as fit polynomials (b null when closed), and
// the work arrays of a run of points.
struct ShellEnergyInputs {
  const FitPolynomials* a;
  const FitPolynomials* b;
  double* points;  // 3 x kRunPoints
  double* sum_a;   // 4 x kRunPoints
  double* sum_b;   // 4 x kRunPoints
  double* work;    // fit_run_work(largest l)
  int* order;      // kGridMaxShellPoints: the shell's points sorted by direction
  int* key;        // 2 x kGridMaxShellPoints
  int* cell_start; // kGridMaxShellPoints / 24 + 2
};

// Exchange-correlation energy of one shell at order n and its integrated electron count: of
// every `stride`-th point from `first` (a node's share of a shell split over the nodes, or the
// whole shell).
double grid_shell_energy(const Grid& grid, const GridSystem& sys, const GridScreen& screen,
                         GridShellBuffers& b, const ShellEnergyInputs& in, const GridDensity& density,
                         const XcFunctional& f, int atom, int shell, int n, int first_point, int stride,
                         double* electrons) {
  const RadialPoint rp = radial_point(grid.nrad[atom], shell, grid.alpha[atom]);
  const int np = shell_points(n, b.points, b.weights, sys.xyz + 3 * atom,
                              grid.orientation + 9 * atom, rp.r, rp.w);
  int self = 0;
  const int n_list =
      shell_neighbours(atom, rp.r, sys.n_atoms, sys.xyz, screen.atom_extent2, b.list, &self);
  const int gradients = f.level >= 1;
  const int n_candidates = grid_sphere_shells(*sys.basis, screen.extent2, sys.xyz + 3 * atom, rp.r,
                                              b.list, n_list, b.candidate);
  grid_sphere_radial(*sys.basis, screen.extent2, b.candidate, n_candidates, atom, rp.r, b.radial);
  double energy = 0.0, count_sum = 0.0;
  // Runs of neighbouring points meet few functions, and fit_run_sums skips the others.
  for (int i = 0; i < np; ++i) in.order[i] = i;
  if (np > kRunPoints) sort_by_direction(in.order, np, b.points, sys.xyz + 3 * atom, in.key, in.cell_start);
  // kRunPoints at a time; the points outside the atom's cell (often half of an outer shell)
  // are dropped before the density is formed.
  double weight[kRunPoints];
  for (int first = first_point; first < np; first += kRunPoints * stride) {
    int run = 0;
    for (int i = first, k = 0; i < np && k < kRunPoints; i += stride, ++k) {
      const double* p = b.points + 3 * in.order[i];
      const double w = b.weights[in.order[i]] * cell_weight(*sys.cells, p, atom);
      if (w == 0.0) continue;
      for (int c = 0; c < 3; ++c) in.points[3 * run + c] = p[c];
      weight[run++] = w;
    }
    if (run == 0) continue;
    fit_run_sums(*sys.basis, screen.extent2, in.points, run, b.candidate, n_candidates, *in.a, in.b,
                 b.radial, in.work, in.sum_a, in.sum_b);
    for (int k = 0; k < run; ++k) {
      double ra[4] = {0, 0, 0, 0}, rb[4] = {0, 0, 0, 0};
      for (int c = 0; c < (gradients ? 4 : 1); ++c) {
        ra[c] = in.sum_a[c * kRunPoints + k];
        rb[c] = in.sum_b[c * kRunPoints + k];
      }
      const double w = weight[k];
      double ex = 0.0, ec = 0.0;
      xc_point(f, ra, density.closed ? ra : rb, &ex, &ec, nullptr, 0, grid.small[0]);
      energy += (ex + ec) * w;
      count_sum += (density.closed ? 2.0 * ra[0] : ra[0] + rb[0]) * w;
    }
  }
  if (electrons) *electrons = count_sum;
  return energy;
}

}  // namespace

void grid_build_orders(Grid& grid, const GridSystem& sys, const GridDensity& density,
                       const XcFunctional& functional, int fine) {
  // The final orders are judged with the energy density integrated on them: gradient-corrected
  // ones converge several times more slowly with the angular order than the Slater density,
  // whose orders left shells whose energy changed by 20 times the accuracy. A shell whose
  // order differs between two nearby geometries moves the energy by up to the threshold; half
  // the accuracy keeps two such shells (a bond's two ends) within it, and the electron count
  // still converges to the accuracy. A shell ends at the order before its first small change:
  // the atoms' cells vanish at the other nuclei, so a shell that passes near one converges as
  // smoothly as the rest (waiting for a second small change left benzene's grid as it was and
  // cost a third of the construction). The coarse grid only steers the first iterations.
  const bool integrated = fine && !grid.use43;
  const double acc = grid.accuracy[fine ? 0 : 1];
  const XcFunctional f = integrated ? functional : xc_slater_only(functional);
  const double coarse_acc = grid.accuracy[1];
  for (int a = 0; a < grid.n_atoms; ++a) grid_orientation(a, sys.n_atoms, sys.xyz, grid.orientation + 9 * a);
  for (int s = 0; s < grid.n_shells; ++s) grid.orders[2 * s] = grid.orders[2 * s + 1] = kGridOrders[0];

  GridScreen screen = grid_screen(*sys.basis, grid.cutoff[fine ? 0 : 1]);
  GridShellBuffers b = grid_shell_buffers(sys.n_atoms, sys.basis->n_shells);
  FitPolynomials pa = fit_polynomials(*sys.basis, density.da);
  FitPolynomials pb = fit_polynomials(*sys.basis, density.closed ? nullptr : density.db);
  {
    int max_l = 0;
    for (int i = 0; i < sys.basis->n_shells; ++i) max_l = std::max(max_l, sys.basis->shells[i].l);
    PoolArray<double> run_points(3 * kRunPoints), sum_a(4 * kRunPoints), sum_b(4 * kRunPoints),
        work(fit_run_work(max_l));
    PoolArray<int> order(3 * kGridMaxShellPoints + kGridMaxShellPoints / 24 + 2);
    const ShellEnergyInputs in{&pa, density.closed ? nullptr : &pb, run_points.data(),
                               sum_a.data(), sum_b.data(), work.data(), order.data(),
                               order.data() + kGridMaxShellPoints, order.data() + 3 * kGridMaxShellPoints};
    // Per shell: energy, then electron count.
    PoolArray<double> previous(2 * grid.n_shells);
    PoolArray<double> current(2 * grid.n_shells);
    PoolArray<int> open(grid.n_shells);
    for (int s = 0; s < grid.n_shells; ++s) previous[2 * s] = previous[2 * s + 1] = 0.0, open[s] = 1;

    for (int l = 0; l < kGridOrderCount; ++l) {
      const int n = kGridOrders[l];
      // The nodes take whole shells in turn while there are many (each then sets up only its
      // own shells, and its runs of points stay compact); the last few are split by points.
      int n_open = 0;
      for (int shell = 0; shell < grid.n_shells; ++shell) n_open += open[shell];
      const bool whole = n_open >= 8 * node_count;
      for (int a = 0, shell = 0, turn = 0; a < grid.n_atoms; ++a)
        for (int s = 0; s < grid.nrad[a]; ++s, ++shell) {
          current[2 * shell] = current[2 * shell + 1] = 0.0;
          if (!open[shell] || (whole && turn++ % node_count != node_id)) continue;
          current[2 * shell] = grid_shell_energy(grid, sys, screen, b, in, density, f, a, s, n,
                                                 whole ? 0 : node_id, whole ? 1 : node_count,
                                                 &current[2 * shell + 1]);
        }
      mp_sum(current.data(), 2 * grid.n_shells, MP_DOUBLE);
      mp_bcast(current.data(), 2 * grid.n_shells, MP_DOUBLE);
      int still_open = 0;
      for (int shell = 0; shell < grid.n_shells; ++shell) {
        if (!open[shell]) continue;
        const double diff = shell_change(&current[2 * shell], &previous[2 * shell]);
        if (diff > coarse_acc) grid.orders[2 * shell + 1] = n;
        const double energy = std::fabs(current[2 * shell] - previous[2 * shell]);
        if (integrated ? energy <= 0.5 * acc && diff <= acc : diff <= acc) {
          grid.orders[2 * shell] = kGridOrders[l > 0 ? l - 1 : 0];
          open[shell] = 0;
        } else {
          grid.orders[2 * shell] = n;
        }
        still_open += open[shell];
        previous[2 * shell] = current[2 * shell];
        previous[2 * shell + 1] = current[2 * shell + 1];
      }
      if (still_open == 0) break;
    }
  }
  fit_polynomials_release(pb);
  fit_polynomials_release(pa);
  grid_shell_buffers_release(b);
  grid_screen_release(screen);
  grid_count_points(grid);
}

}  // namespace ostrel
