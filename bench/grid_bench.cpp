// Time of the adaptive grid construction and the weight pass for water and hexane (20
// atoms) with a model fitting basis of the size of a universal Coulomb-fitting set
// (heavy atoms: 12 s, 8 p, 6 d, 3 f, 1 g shells; hydrogen: 5 s, 3 p, 2 d).
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "runtime/pool.hpp"
#include "scf/grid/grid_build.hpp"
#include "scf/grid/grid_options.hpp"
#include "scf/grid/grid_weights.hpp"
#include "scf/xc/xc_functional.hpp"

using namespace ostrel;

namespace {

struct Model {
  std::vector<int> z;
  std::vector<double> xyz, exponent, coef, atomic_d, da;
  std::vector<GaussianShell> shells;
  std::vector<int> first_shell;
  ShellSet set{};
};

void build_basis(Model& m) {
  const int n = static_cast<int>(m.z.size());
  int count = 0;
  for (int a = 0; a < n; ++a) count += m.z[a] > 1 ? 30 : 10;
  m.exponent.resize(count);
  m.coef.assign(count, 1.0);
  m.first_shell.push_back(0);
  int f = 0, i = 0;
  for (int a = 0; a < n; ++a) {
    const bool heavy = m.z[a] > 1;
    const int per_l[5] = {heavy ? 12 : 5, heavy ? 8 : 3, heavy ? 6 : 2, heavy ? 3 : 0, heavy ? 1 : 0};
    double charge = 0.0;
    const int first_s = f;
    for (int l = 0; l < 5; ++l)
      for (int k = 0; k < per_l[l]; ++k, ++i) {
        m.exponent[i] = (heavy ? 2000.0 : 60.0) * std::pow(heavy ? 0.4 : 0.3, k) / (1 + l);
        m.shells.push_back({l, 1, f, a, &m.exponent[i], &m.coef[i], &m.xyz[3 * a]});
        for (int c = 0; c <= 2 * l; ++c) {
          double d = 0.0;
          if (l == 0) {
            d = std::exp(-0.3 * std::fabs(k - per_l[0] + 3.0));
            charge += d * std::pow(std::numbers::pi / m.exponent[i], 1.5);
          }
          m.atomic_d.push_back(d);
          m.da.push_back(l == 0 ? 0.0 : 1e-3 * std::cos(1.0 + f + c) * std::exp(-0.2 * k));
        }
        f += 2 * l + 1;
      }
    const double scale = m.z[a] / charge;
    for (int j = first_s; j < f; ++j) {
      m.atomic_d[j] *= scale;
      if (m.atomic_d[j] != 0.0) m.da[j] = 0.5 * m.atomic_d[j];
    }
    m.first_shell.push_back(static_cast<int>(m.shells.size()));
  }
  m.set = ShellSet{n, static_cast<int>(m.shells.size()), f, m.shells.data(), m.first_shell.data()};
}

void add(Model& m, int z, double x, double y, double zz) {
  m.z.push_back(z);
  m.xyz.insert(m.xyz.end(), {x, y, zz});
}

void run(const char* name, Model& m) {
  build_basis(m);
  const GridOptions o = [] {
    GridOptions g = grid_default_options();
    grid_apply_defaults(g);
    return g;
  }();
  const int n = static_cast<int>(m.z.size());
  int shells = 0;
  for (int a = 0; a < n; ++a) shells += o.nradial[m.z[a]];
  Grid g = grid_allocate(n, shells);
  for (int k = 0; k < 2; ++k) g.accuracy[k] = o.accuracy[k], g.cutoff[k] = o.cutoff[k], g.small[k] = o.small[k];
  g.use43 = 1;
  for (int a = 0; a < n; ++a) g.nrad[a] = o.nradial[m.z[a]], g.alpha[a] = o.size[m.z[a]];
  const double p[32] = {};
  const std::int32_t ni[5] = {};
  XcFunctional f = xc_cleared(p, ni);
  xc_lookup("PBE", f);
  CellPartition cells = cell_partition(n, m.xyz.data(), m.z.data());
  const GridSystem system{n, m.xyz.data(), &m.set, &cells};
  const GridDensity density{m.da.data(), m.da.data(), 1};
  auto t0 = std::chrono::steady_clock::now();
  grid_build_orders(g, system, density, f, 0);
  auto t1 = std::chrono::steady_clock::now();
  grid_build_orders(g, system, density, f, 1);
  auto t2 = std::chrono::steady_clock::now();
  double sum = 0.0;
  auto sink = [](void* c, const double* w, int k) {
    for (int i = 0; i < k; ++i) *static_cast<double*>(c) += w[i];
  };
  for (int k : {GRID_COARSE, GRID_FINAL})
    grid_walk_weights(g, system, k, sink, &sum);
  auto t3 = std::chrono::steady_clock::now();
  auto s = [](auto a, auto b) { return std::chrono::duration<double>(b - a).count(); };
  std::printf("%-8s atoms %2d, fit functions %5d: coarse build %6.2f s, final build %6.2f s "
              "(%7d final, %6d coarse points), both weight passes %6.2f s\n",
              name, n, m.set.n_functions, s(t0, t1), s(t1, t2), g.n_points[0], g.n_points[1],
              s(t2, t3));
  cell_partition_release(cells);
  grid_release(g);
}

}  // namespace

int main() {
  pool_init(std::int64_t{256} << 20);
  Model water;
  add(water, 8, 0.0, 0.0, -0.1294);
  add(water, 1, 0.0, 1.4941, 1.0274);
  add(water, 1, 0.0, -1.4941, 1.0274);
  run("water", water);
  Model hexane;  // zigzag carbon chain in the xz plane, hydrogens above and below it
  for (int c = 0; c < 6; ++c) {
    const double x = 2.4 * c, z = c % 2 ? 0.85 : -0.85;
    add(hexane, 6, x, 0.0, z);
    add(hexane, 1, x, 1.68, z + (c % 2 ? 1.0 : -1.0));
    add(hexane, 1, x, -1.68, z + (c % 2 ? 1.0 : -1.0));
  }
  add(hexane, 1, -1.9, 0.0, 0.2);
  add(hexane, 1, 2.4 * 5 + 1.9, 0.0, -0.2);
  run("hexane", hexane);
  return 0;
}
