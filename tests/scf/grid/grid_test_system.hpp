#pragma once
// Small molecules with a model fitting basis for the grid and gradient tests: every atom
// carries s Gaussians (and optionally a p shell) with single primitives; the free-atom
// densities are positive s combinations scaled to the nuclear charge.
#include <numbers>

#include "scf/grid/grid_points.hpp"
#include "scf/grid/grid_weights.hpp"
#include "scf/xc/xc_full_tensors.hpp"
#include "support/model_input.hpp"

namespace ostrel::testing {

struct GridTestSystem {
  std::vector<int> z;
  std::vector<double> xyz;
  std::vector<double> exponent, coef;
  std::vector<GaussianShell> shells;
  std::vector<int> atom_first_shell;
  std::vector<double> atomic_d, da;
  ShellSet set{};

  int n_atoms() const { return static_cast<int>(z.size()); }
  GridSystem system(const CellPartition* cells = nullptr) const {
    return GridSystem{n_atoms(), xyz.data(), &set, cells};
  }
};

// The cells of the system at its current geometry, for one scope (a pool block).
struct ScopedCells {
  CellPartition cells;
  explicit ScopedCells(const GridTestSystem& t) : cells(cell_partition(t.n_atoms(), t.xyz.data(), t.z.data())) {}
  ~ScopedCells() { cell_partition_release(cells); }
  ScopedCells(const ScopedCells&) = delete;
  ScopedCells& operator=(const ScopedCells&) = delete;
};

// Atoms (z, x, y, z in bohr). With max_l 1, a p shell (exponent 0.8) per atom enters the
// alpha density with small coefficients; with 2, also a d shell (exponent 0.7).
inline GridTestSystem make_system(const std::vector<std::vector<double>>& atoms, int max_l = 0) {
  GridTestSystem t;
  for (const auto& a : atoms) {
    t.z.push_back(static_cast<int>(a[0]));
    t.xyz.insert(t.xyz.end(), {a[1], a[2], a[3]});
  }
  const int n = t.n_atoms(), per_atom = 3 + max_l;
  t.exponent.resize(n * per_atom);
  t.coef.assign(n * per_atom, 1.0);
  int f = 0;
  t.atom_first_shell.push_back(0);
  for (int a = 0; a < n; ++a) {
    // Heavier atoms get tighter inner functions; the outer decay is alike for all, as the
    // valence densities of real atoms are.
    const double zeta = t.z[a] <= 2 ? 1.0 : 1.0 + 0.5 * (t.z[a] - 2);
    const double exponents[5] = {6.0 * zeta * zeta, 1.2 * zeta, 0.25, 0.8, 0.7};
    double charge = 0.0;
    for (int k = 0; k < per_atom; ++k) {
      const int i = a * per_atom + k, l = k < 3 ? 0 : k - 2;
      t.exponent[i] = exponents[k];
      t.shells.push_back({l, 1, f, a, &t.exponent[i], &t.coef[i], &t.xyz[3 * a]});
      f += 2 * l + 1;
      if (l == 0) charge += (1.0 + k) * std::pow(std::numbers::pi / t.exponent[i], 1.5);
    }
    for (int k = 0; k < 3; ++k) t.atomic_d.push_back((1.0 + k) * t.z[a] / charge);
    const int first = static_cast<int>(t.da.size());
    for (int m = 3; m < f - first; ++m) t.atomic_d.push_back(0.0);
    for (int m = 0; m < f - first; ++m)
      t.da.push_back(m < 3 ? 0.5 * t.atomic_d[first + m] : 0.002 * (m - 2) * (a % 2 ? -1 : 1));
    t.atom_first_shell.push_back(static_cast<int>(t.shells.size()));
  }
  t.set = ShellSet{n, static_cast<int>(t.shells.size()), f, t.shells.data(), t.atom_first_shell.data()};
  return t;
}

// A grid with the same number of radial shells on every atom and both orders fixed.
inline Grid make_grid(const GridTestSystem& t, int nrad, int order, double alpha = 5.0) {
  Grid g = grid_allocate(t.n_atoms(), nrad * t.n_atoms());
  g.accuracy[0] = 1e-8;
  g.accuracy[1] = 1e-5;
  g.cutoff[0] = 1e-10;
  g.cutoff[1] = 1e-7;
  g.small[0] = g.small[1] = 1e-7;
  g.use43 = 1;
  for (int a = 0; a < t.n_atoms(); ++a) {
    g.nrad[a] = nrad;
    g.alpha[a] = alpha;
    for (int k = 0; k < 9; ++k) g.orientation[9 * a + k] = k % 4 == 0 ? 1.0 : 0.0;
  }
  for (int s = 0; s < g.n_shells; ++s) g.orders[2 * s] = g.orders[2 * s + 1] = order;
  grid_count_points(g);
  return g;
}

// Weights of grid k as the weights pass hands them out, in generation order.
inline std::vector<double> weights_of(const Grid& g, const GridTestSystem& t, int k) {
  std::vector<double> w;
  auto append = [](void* v, const double* x, int n) {
    static_cast<std::vector<double>*>(v)->insert(static_cast<std::vector<double>*>(v)->end(), x, x + n);
  };
  ScopedCells cells(t);
  grid_walk_weights(g, t.system(&cells.cells), k, append, &w);
  return w;
}

// Sum over grid k of weight x f(point), the points regenerated in generation order.
template <class F>
double grid_integral(const Grid& g, const double* xyz, const std::vector<double>& w, int k, F f) {
  std::vector<double> p(3 * kGridMaxShellPoints), pw(kGridMaxShellPoints);
  double sum = 0.0;
  std::size_t i = 0;
  for (int a = 0, shell = 0; a < g.n_atoms; ++a)
    for (int s = 0; s < g.nrad[a]; ++s, ++shell) {
      const RadialPoint rp = radial_point(g.nrad[a], s, g.alpha[a]);
      const int n = shell_points(g.orders[2 * shell + k], p.data(), pw.data(), xyz + 3 * a,
                                 g.orientation + 9 * a, rp.r, rp.w);
      for (int q = 0; q < n; ++q, ++i) sum += w[i] * f(&p[3 * q]);
    }
  return sum;
}

// A "Molecule" record of the atoms (atomic numbers, bohr), read as the program reads it.
inline void store_test_molecule(const std::vector<int>& z, const std::vector<double>& xyz) {
  int electrons = 0;
  for (int q : z) electrons += q;
  read_test_molecule(bohr_molecule(z, xyz.data(), electrons % 2 ? 2 : 1));
}

// Runs `body` as if this were the only node (messages off), then restores the nodes.
template <class Body>
auto as_one_process(Body body) {
  const int nodes = node_count, id = node_id, master = is_master;
  node_count = 1;
  node_id = 0;
  is_master = 1;
  auto result = body();
  node_count = nodes;
  node_id = id;
  is_master = master;
  return result;
}

// Water in bohr.
inline const std::vector<std::vector<double>> kWater = {
    {8, 0.0, 0.0, -0.1294}, {1, 0.0, 1.4941, 1.0274}, {1, 0.0, -1.4941, 1.0274}};

}  // namespace ostrel::testing
