#include "scf/numint/xc_gradient_walk.hpp"

#include <algorithm>
#include <cmath>

#include "linalg/vector_ops.hpp"

namespace ostrel {
namespace {

constexpr double kScale = 1e-7;

// G of the fitted partition and its slope (the same branches as partition_density).
double partition_slope(double rho) {
  if (rho < 1e-16) return 0.0;
  const double x = rho / kScale;
  if (x <= 0.001) return x;
  if (x <= 36.0) {
    const double e = std::exp(x);
    return (e - 1.0) / (e - x);
  }
  return 1.0;
}

// Free-atom densities of the listed atoms and their spatial gradients at point p.
void listed_densities(const XcBlock& b, const GridPartition& part, int p) {
  const int stride = kXcBlock * b.n_local;
  const double* v = b.phi + p * b.n_local;
  for (int j = 0; j < b.n_list; ++j) {
    const int m0 = b.local_first[j], m1 = b.local_first[j + 1];
    double rho = 0.0, gx = 0.0, gy = 0.0, gz = 0.0;
    if (!part.atom_density) {
      for (int m = m0; m < m1; ++m) {
        const double d = part.atomic_d[b.function[m]];
        rho += d * v[m];
        gx += d * v[stride + m];
        gy += d * v[2 * stride + m];
        gz += d * v[3 * stride + m];
      }
    } else {
      const double* block = part.atom_density + part.atom_density_offset[b.list[j]];
      for (int m = m0; m < m1; ++m) {
        const int mu = b.function[m] - b.global_first[j];
        double t = 0.0;
        for (int q = m0; q < m1; ++q) {
          const int nu = b.function[q] - b.global_first[j];
          t += block[mu >= nu ? mu * (mu + 1) / 2 + nu : nu * (nu + 1) / 2 + mu] * v[q];
        }
        rho += v[m] * t;
        gx += 2.0 * v[stride + m] * t;
        gy += 2.0 * v[2 * stride + m] * t;
        gz += 2.0 * v[3 * stride + m] * t;
      }
    }
    b.rho[j] = rho;
    b.grad_rho[3 * j] = gx;
    b.grad_rho[3 * j + 1] = gy;
    b.grad_rho[3 * j + 2] = gz;
  }
}

}  // namespace

XcWalkBuffers::XcWalkBuffers(int n_atoms, int n_functions, int n_comp)
    : points(3L * kGridMaxShellPoints),
      base(kGridMaxShellPoints),
      index(kXcBlock),
      list(n_atoms),
      local_first(n_atoms + 1),
      global_first(n_atoms),
      function(std::max(n_functions, 1)),
      phi(static_cast<std::int64_t>(n_comp) * kXcBlock * std::max(n_functions, 1)),
      dlnp(3L * n_atoms),
      rho(n_atoms),
      grad_rho(3L * n_atoms) {}

int xc_local_bound(const XcGradientInput& in) {
  const Grid& grid = *in.grid;
  const ShellSet& set = *in.system.basis;
  GridScreen screen = grid_screen(set, grid.cutoff[in.k]);
  int bound = 0;
  {
    PoolArray<int> list(std::max(in.system.n_atoms, 1));
    for (int a = 0; a < grid.n_atoms; ++a)
      for (int s = 0; s < grid.nrad[a]; ++s) {
        const RadialPoint rp = radial_point(grid.nrad[a], s, grid.alpha[a]);
        int self = 0;
        const int n = shell_neighbours(a, rp.r, in.system.n_atoms, in.system.xyz, screen.atom_extent2,
                                       list.data(), &self);
        int count = 0;
        for (int j = 0; j < n; ++j)
          for (int i = set.atom_first_shell[list[j]]; i < set.atom_first_shell[list[j] + 1]; ++i)
            count += 2 * set.shells[i].l + 1;
        bound = std::max(bound, count);
      }
  }
  grid_screen_release(screen);
  return bound;
}

void xc_block_eval(const ShellSet& set, const double* extent2, XcBlock& b, int order) {
  int nl = 0;
  for (int j = 0; j < b.n_list; ++j) {
    const int a = b.list[j];
    b.local_first[j] = nl;
    for (int s = set.atom_first_shell[a]; s < set.atom_first_shell[a + 1]; ++s) {
      const GaussianShell& shell = set.shells[s];
      bool reaches = false;
      for (int p = 0; p < b.n && !reaches; ++p) {
        const double* r = b.points + 3 * b.index[p];
        const double d[3] = {r[0] - shell.centre[0], r[1] - shell.centre[1], r[2] - shell.centre[2]};
        reaches = d[0] * d[0] + d[1] * d[1] + d[2] * d[2] <= extent2[s];
      }
      if (!reaches) continue;
      for (int f = 0; f < 2 * shell.l + 1; ++f) b.function[nl++] = shell.first_function + f;
    }
  }
  b.local_first[b.n_list] = nl;
  b.n_local = nl;
  const int stride = kXcBlock * nl;
  for (int c = 0; c < b.n_comp; ++c) vec_set(static_cast<long>(b.n) * nl, 0.0, b.phi + c * stride);
  for (int p = 0; p < b.n; ++p) {
    const double* r = b.points + 3 * b.index[p];
    for (int j = 0; j < b.n_list; ++j) {
      const int a = b.list[j];
      const bool low = j == b.self && b.self_first_order && order > 1;
      int m = b.local_first[j];
      for (int s = set.atom_first_shell[a]; s < set.atom_first_shell[a + 1] && m < b.local_first[j + 1]; ++s) {
        const GaussianShell& shell = set.shells[s];
        if (b.function[m] != shell.first_function) continue;
        const double d[3] = {r[0] - shell.centre[0], r[1] - shell.centre[1], r[2] - shell.centre[2]};
        if (d[0] * d[0] + d[1] * d[1] + d[2] * d[2] <= extent2[s])
          shell_eval(shell, d, low ? 1 : order, b.phi + p * nl + m, stride);
        m += 2 * shell.l + 1;
      }
    }
  }
}

double xc_block_partition(const XcBlock& b, const GridPartition& part, int p, bool derivative) {
  listed_densities(b, part, p);
  const bool orbital = part.atom_density != nullptr;
  double sum = 0.0, own = 0.0;
  for (int j = 0; j < b.n_list; ++j) {
    // h = g^(4/3) with g = G(rho) (fitted) or max(rho, 1e-12) (orbital); grad_rho becomes
    // the gradient of h.
    const double rho = b.rho[j];
    double g, slope;
    if (orbital) {
      g = std::max(rho, 1e-12);
      slope = rho > 1e-12 ? 1.0 : 0.0;
    } else {
      g = partition_density(rho);
      slope = partition_slope(rho);
    }
    const double c = std::cbrt(g);
    const double h = g * c;
    const double dh = 4.0 / 3.0 * c * slope;
    for (int x = 0; x < 3; ++x) b.grad_rho[3 * j + x] *= dh;
    sum += h;
    if (j == b.self) own = h;
  }
  if (!(sum > 0.0)) {
    if (derivative) vec_set(3L * b.n_list, 0.0, b.dlnp);
    return 0.0;
  }
  if (derivative) {
    double t[3] = {0.0, 0.0, 0.0};
    for (int j = 0; j < b.n_list; ++j) {
      for (int x = 0; x < 3; ++x) {
        const double v = j == b.self ? 0.0 : b.grad_rho[3 * j + x] / sum;
        b.dlnp[3 * j + x] = v;
        t[x] += v;
      }
    }
    for (int x = 0; x < 3; ++x) b.dlnp[3 * b.self + x] = -t[x];
  }
  return own / sum;
}

}  // namespace ostrel
