#include "scf/grid/grid_weights.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "scf/grid/grid_points.hpp"

namespace ostrel {
namespace {

constexpr double kScale = 1e-7;

// g^(4/3) for g > 0 (the partition densities are at least 1e-16): a cube root from a
// bit-level first guess (within 6%) and three Halley steps, to rounding; the library cube root
// was a sixth of the partition passes.
double power_four_thirds(double g) {
  std::uint64_t bits;
  std::memcpy(&bits, &g, 8);
  bits = bits / 3 + 0x2A9F7893782DA1CEull;
  double y;
  std::memcpy(&y, &bits, 8);
  for (int k = 0; k < 3; ++k) {
    const double y3 = y * y * y;
    y *= (y3 + 2.0 * g) / (2.0 * y3 + g);
  }
  return g * y;
}

}  // namespace

double partition_density(double rho) {
  if (rho < 1e-16) return 1e-16;
  const double x = rho / kScale;
  if (x <= 0.001) return kScale * x * x / 2;
  if (x <= 36.0) return kScale * std::log(std::exp(x) - x);
  return rho;
}

double partition_density_slope(double rho) {
  if (rho < 1e-16) return 0.0;
  const double x = rho / kScale;
  if (x <= 0.001) return x;
  if (x <= 36.0) {
    const double e = std::exp(x);
    return (e - 1.0) / (e - x);
  }
  return 1.0;
}

double partition_weight(const double* rho, int n_list, int self) {
  // Most listed atoms of a large molecule do not reach the point: their floor is common.
  static const double floor_g = power_four_thirds(partition_density(0.0));
  double sum = 0.0, own = 0.0;
  for (int j = 0; j < n_list; ++j) {
    const double g = rho[j] < 1e-16 ? floor_g : power_four_thirds(partition_density(rho[j]));
    sum += g;
    if (j == self) own = g;
  }
  return sum > 0.0 ? own / sum : 0.0;
}

void grid_walk_weights(const Grid& grid, const GridSystem& sys, const GridPartition& part,
                       int k, void (*sink)(void*, const double*, int), void* context) {
  GridScreen screen = grid_screen(*sys.basis, grid.cutoff[k]);
  GridShellBuffers b = grid_shell_buffers(sys.n_atoms, sys.basis->n_functions);
  {
    // The fitted free-atom densities are spherical: shells without coefficients are skipped.
    const ShellSet& basis = *sys.basis;
    PoolArray<unsigned char> skip(basis.n_shells > 0 ? basis.n_shells : 1);
    for (int i = 0; i < basis.n_shells; ++i) {
      const GaussianShell& sh = basis.shells[i];
      skip[i] = 1;
      for (int c = 0; c <= 2 * sh.l; ++c)
        if (part.atomic_d[sh.first_function + c] != 0.0) skip[i] = 0;
    }
    PoolArray<int> candidate(2 * std::max(basis.n_shells, 1));
    PoolArray<double> radial(2 * std::max(basis.n_shells, 1));
    int* slot = candidate.data() + std::max(basis.n_shells, 1);
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
        const int n = shell_points(grid.orders[2 * shell + k], b.points, b.weights, centre,
                                   grid.orientation + 9 * a, rp.r, rp.w);
        if (n == 0) continue;
        int self = 0;
        const int n_list = shell_neighbours(a, rp.r, sys.n_atoms, sys.xyz, screen.atom_extent2,
                                            b.list, &self);
        const int n_candidates = grid_sphere_shells(basis, screen.extent2, centre, rp.r, b.list, n_list,
                                                    skip.data(), candidate.data(), slot);
        grid_sphere_radial(basis, screen.extent2, candidate.data(), n_candidates, a, rp.r, radial.data());
        for (int i = 0; i < n; ++i) {
          if (i % node_count != node_id) {
            b.weights[i] = 0.0;
            continue;
          }
          grid_point_sums(basis, screen.extent2, b.points + 3 * i, candidate.data(), slot, n_candidates,
                          n_list, part.atomic_d, nullptr, nullptr, skip.data(), b.rho, nullptr, nullptr,
                          radial.data());
          b.weights[i] *= partition_weight(b.rho, n_list, self);
        }
        if (filled + n > kBatch) flush();
        std::copy(b.weights, b.weights + n, batch.data() + filled);
        filled += n;
      }
    }
    flush();
  }
  grid_shell_buffers_release(b);
  grid_screen_release(screen);
}

double grid_point_partition(const GridSystem& sys, const GridScreen& screen,
                            const GridPartition& part, int atom, double r, const double p[3]) {
  GridShellBuffers b = grid_shell_buffers(sys.n_atoms, sys.basis->n_functions);
  int self = 0;
  const int n_list =
      shell_neighbours(atom, r, sys.n_atoms, sys.xyz, screen.atom_extent2, b.list, &self);
  basis_eval_point(*sys.basis, screen.extent2, p, b.list, n_list, 0, b.function, b.values,
                   b.stride, b.atom_end);
  grid_atom_densities(b, n_list, part.atomic_d);
  const double w = partition_weight(b.rho, n_list, self);
  grid_shell_buffers_release(b);
  return w;
}

}  // namespace ostrel
