#include "scf/numint/xc_block_pass.hpp"

#include <cmath>
#include <cstdint>
#include <numbers>

#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"
#include "scf/grid/grid_partition.hpp"
#include "scf/grid/grid_points.hpp"
#include "scf/grid/grid_walk.hpp"
#include "scf/numint/generated/basis_eval_kernels.hpp"

namespace ostrel {

int xc_broadcast_int(const char* name) {
  int value = is_master ? store_get<int>(name) : 0;
  mp_bcast(&value, 1, MP_INT);
  return value;
}

XcFunctional xc_broadcast_functional() {
  XcFunctional f{};
  if (is_master) f = xc_store_read();
  mp_bcast(&f, sizeof f, MP_BYTE);
  return f;
}

void xc_broadcast_doubles(const char* name, double* data, long n, long offset) {
  if (n <= 0) return;
  if (is_master) store_read(name, 8 * std::int64_t{offset}, data, 8 * std::int64_t{n});
  mp_bcast(data, n, MP_DOUBLE);
}

XcPassGrid xc_pass_grid() {
  XcPassGrid g{};
  const int fine = xc_broadcast_int("grid_fine");
  g.grid = grid_read(1);
  g.k = fine ? GRID_FINAL : GRID_COARSE;
  g.small = g.grid.small[g.k];
  const int n = g.grid.n_points[g.k];
  g.weights = static_cast<double*>(pool_alloc(8 * std::int64_t{n > 0 ? n : 1}));
  xc_broadcast_doubles(fine ? "grid_W" : "grid_W1", g.weights, n);
  return g;
}

void xc_pass_grid_release(XcPassGrid& g) {
  pool_release(g.weights);
  grid_release(g.grid);
  g = XcPassGrid{};
}

XcFunctional xc_slater_only(const XcFunctional& f) {
  XcFunctional s = f;
  s.a_hf = 0.0;
  s.a_x = 1.0;
  s.x_code = XC_X_SLATER;
  s.c_code = XC_C_NONE;
  s.level = 0;
  return s;
}

namespace {

// Work arrays of the walk, one pool block.
struct WalkBuffers {
  double* points;        // 3 x max shell points
  double* lebedev;       // max shell points (generated weights, unused: stored ones count)
  int* order;            // this node's points of the shell, spatially sorted
  int* key;              // cell of each shell point, then the sorted order
  int* cell_start;       // cells + 1
  int* list;             // neighbour atoms
  int* selected;         // shells reaching the block
  int* function;         // functions reaching the block
  double* block_points;  // 3 x kXcBlockPoints
  double* block_weights; // kXcBlockPoints
  double* phi;           // 4 x kXcBlockPoints x functions
};

constexpr int kMaxCells = 4 * kGridMaxShellPoints / 32 + 2;

WalkBuffers walk_buffers(const ShellSet& basis, int n_atoms, void** block) {
  const std::int64_t np = kGridMaxShellPoints, nf = basis.n_functions > 0 ? basis.n_functions : 1;
  const std::int64_t doubles = 4 * np + 4 * kXcBlockPoints + 4 * kXcBlockPoints * nf;
  const std::int64_t ints = 3 * np + kMaxCells + 1 + n_atoms + basis.n_shells + nf;
  char* p = static_cast<char*>(pool_alloc(8 * doubles + 4 * ints + 64));
  *block = p;
  WalkBuffers b{};
  b.phi = reinterpret_cast<double*>(p);
  b.points = b.phi + 4 * kXcBlockPoints * nf;
  b.lebedev = b.points + 3 * np;
  b.block_points = b.lebedev + np;
  b.block_weights = b.block_points + 3 * kXcBlockPoints;
  b.order = reinterpret_cast<int*>(b.block_weights + kXcBlockPoints);
  b.key = b.order + np;
  b.cell_start = b.key + 2 * np;
  b.list = b.cell_start + kMaxCells + 1;
  b.selected = b.list + n_atoms;
  b.function = b.selected + basis.n_shells;
  return b;
}

// Sorts this node's points of one shell (non-zero weight) into cells of direction (bands of
// cos(theta) times sectors of phi), so that consecutive points are neighbours in space.
int sort_local_points(WalkBuffers& b, int n, const double* w, const double centre[3]) {
  int n_local = 0;
  for (int i = node_id; i < n; i += node_count)
    if (w[i] != 0.0) b.order[n_local++] = i;
  if (n_local <= kXcBlockPoints) return n_local;
  const int cells = n_local / 48 > 2 ? n_local / 48 : 2;
  int nz = static_cast<int>(std::lround(std::sqrt(cells / 2.0)));
  if (nz < 1) nz = 1;
  const int nphi = 2 * nz, n_cells = nz * nphi;
  for (int c = 0; c <= n_cells; ++c) b.cell_start[c] = 0;
  for (int j = 0; j < n_local; ++j) {
    const double* p = b.points + 3 * b.order[j];
    const double dx = p[0] - centre[0], dy = p[1] - centre[1], dz = p[2] - centre[2];
    const double r = std::sqrt(dx * dx + dy * dy + dz * dz);
    int iz = static_cast<int>((dz / r + 1.0) * 0.5 * nz);
    int ip = static_cast<int>((std::atan2(dy, dx) / std::numbers::pi + 1.0) * 0.5 * nphi);
    iz = iz < 0 ? 0 : (iz >= nz ? nz - 1 : iz);
    ip = ip < 0 ? 0 : (ip >= nphi ? nphi - 1 : ip);
    // Snake through the sectors so that the last cell of a band touches the next band's first.
    const int cell = iz * nphi + (iz % 2 ? nphi - 1 - ip : ip);
    b.key[j] = cell;
    ++b.cell_start[cell + 1];
  }
  for (int c = 0; c < n_cells; ++c) b.cell_start[c + 1] += b.cell_start[c];
  int* sorted = b.key + n_local;
  for (int j = 0; j < n_local; ++j) sorted[b.cell_start[b.key[j]]++] = b.order[j];
  for (int j = 0; j < n_local; ++j) b.order[j] = sorted[j];
  return n_local;
}

// Values (and gradients) of the 2l+1 functions of one shell at the np points of a block:
// component c of function s at point p goes to out[c * stride + p * ld + s]. Points beyond
// the shell's extent get zeros; primitives whose exponential is below 1e-22 are skipped.
void eval_shell_block(const GaussianShell& sh, double extent2, const double* points, int np,
                      int gradients, double* out, int ld, int stride) {
  const int nf = 2 * sh.l + 1;
  const AngularKernel kernel = angular_kernel(sh.l, gradients ? 1 : 0);
  double p[4 * (2 * kAngularKernelMaxL + 1)];
  for (int i = 0; i < np; ++i) {
    const double d[3] = {points[3 * i] - sh.centre[0], points[3 * i + 1] - sh.centre[1],
                         points[3 * i + 2] - sh.centre[2]};
    const double t = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    double* o = out + static_cast<std::int64_t>(i) * ld;
    if (t > extent2) {
      for (int c = 0; c < (gradients ? 4 : 1); ++c)
        for (int f = 0; f < nf; ++f) o[c * stride + f] = 0.0;
      continue;
    }
    double g0 = 0.0, g1 = 0.0;
    for (int k = 0; k < sh.n_primitives; ++k) {
      const double at = sh.exponent[k] * t;
      if (at > 50.0) continue;
      const double e = sh.coef[k] * std::exp(-at);
      g0 += e;
      g1 -= sh.exponent[k] * e;
    }
    kernel(d[0], d[1], d[2], p);
    if (!gradients) {
      for (int f = 0; f < nf; ++f) o[f] = p[f] * g0;
      continue;
    }
    // d/dx (P g(r^2)) = P_x g + 2 x P g'
    const double gx = 2 * d[0] * g1, gy = 2 * d[1] * g1, gz = 2 * d[2] * g1;
    for (int f = 0; f < nf; ++f) {
      const double v = p[f];
      o[f] = v * g0;
      o[stride + f] = p[nf + f] * g0 + v * gx;
      o[2 * stride + f] = p[2 * nf + f] * g0 + v * gy;
      o[3 * stride + f] = p[3 * nf + f] * g0 + v * gz;
    }
  }
}

}  // namespace

void xc_walk_blocks(const XcPassGrid& g, const ShellSet& basis, const double* xyz,
                    int gradients, void (*visit)(void*, const XcPassBlock&), void* context) {
  const Grid& grid = g.grid;
  GridScreen screen = grid_screen(basis, grid.cutoff[g.k]);
  void* block = nullptr;
  WalkBuffers b = walk_buffers(basis, grid.n_atoms, &block);
  std::int64_t base = 0;
  int shell = 0;
  for (int a = 0; a < grid.n_atoms; ++a) {
    const double* centre = xyz + 3 * a;
    for (int s = 0; s < grid.nrad[a]; ++s, ++shell) {
      const RadialPoint rp = radial_point(grid.nrad[a], s, grid.alpha[a]);
      const int n = shell_points(grid.orders[2 * shell + g.k], b.points, b.lebedev, centre,
                                 grid.orientation + 9 * a, rp.r, rp.w);
      if (n == 0) continue;
      const double* w = g.weights + base;
      base += n;
      const int n_local = sort_local_points(b, n, w, centre);
      if (n_local == 0) continue;
      int self = 0;
      const int n_list = shell_neighbours(a, rp.r, grid.n_atoms, xyz, screen.atom_extent2,
                                          b.list, &self);
      for (int first = 0; first < n_local; first += kXcBlockPoints) {
        const int np = n_local - first < kXcBlockPoints ? n_local - first : kXcBlockPoints;
        double c[3] = {0, 0, 0};
        for (int p = 0; p < np; ++p) {
          const int i = b.order[first + p];
          for (int x = 0; x < 3; ++x) {
            b.block_points[3 * p + x] = b.points[3 * i + x];
            c[x] += b.points[3 * i + x];
          }
          b.block_weights[p] = w[i];
        }
        for (double& x : c) x /= np;
        double radius2 = 0.0;
        for (int p = 0; p < np; ++p) {
          const double* q = b.block_points + 3 * p;
          const double d2 = (q[0] - c[0]) * (q[0] - c[0]) + (q[1] - c[1]) * (q[1] - c[1]) +
                            (q[2] - c[2]) * (q[2] - c[2]);
          if (d2 > radius2) radius2 = d2;
        }
        const double radius = std::sqrt(radius2);
        // Shells of the listed atoms that reach the block's bounding sphere.
        int n_sel = 0, nb = 0;
        for (int j = 0; j < n_list; ++j) {
          const int atom = b.list[j];
          for (int i = basis.atom_first_shell[atom]; i < basis.atom_first_shell[atom + 1]; ++i) {
            if (!(screen.extent2[i] > 0.0)) continue;
            const double* o = basis.shells[i].centre;
            const double dist = std::sqrt((o[0] - c[0]) * (o[0] - c[0]) +
                                          (o[1] - c[1]) * (o[1] - c[1]) +
                                          (o[2] - c[2]) * (o[2] - c[2]));
            const double gap = dist - radius;
            if (gap > 0.0 && gap * gap > screen.extent2[i]) continue;
            b.selected[n_sel++] = i;
            const int nf = 2 * basis.shells[i].l + 1;
            for (int f = 0; f < nf; ++f) b.function[nb + f] = basis.shells[i].first_function + f;
            nb += nf;
          }
        }
        if (nb == 0) continue;
        const int stride = np * nb;
        for (int m = 0, q = 0; q < n_sel; ++q) {
          const GaussianShell& sh = basis.shells[b.selected[q]];
          eval_shell_block(sh, screen.extent2[b.selected[q]], b.block_points, np, gradients,
                           b.phi + m, nb, stride);
          m += 2 * sh.l + 1;
        }
        const XcPassBlock blk{np, b.block_points, b.block_weights, nb, b.function, b.phi};
        visit(context, blk);
      }
    }
  }
  pool_release(block);
  grid_screen_release(screen);
}

}  // namespace ostrel
