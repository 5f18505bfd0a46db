// Exchange-correlation gradient passes against central differences of the same grid energy
// with the atoms (functions, grid and partition) displaced.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "scf/grid/grid_test_system.hpp"
#include "scf/numint/xc_gradient.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

// Atoms with s, p and d shells (single primitives) used both as the density basis and as
// the basis that partitions space.
struct System {
  std::vector<double> xyz, exponent, coef;
  std::vector<GaussianShell> shells;
  std::vector<int> first_shell;
  ShellSet set{};
  int n_atoms = 0;
  std::vector<int> atom_first;  // first function of each atom
};

System make(const std::vector<std::vector<double>>& atoms) {
  System t;
  t.n_atoms = static_cast<int>(atoms.size());
  for (const auto& a : atoms) t.xyz.insert(t.xyz.end(), {a[1], a[2], a[3]});
  const int per_atom = 5;
  t.exponent.resize(per_atom * t.n_atoms);
  t.coef.assign(per_atom * t.n_atoms, 1.0);
  const int l_of[per_atom] = {0, 0, 0, 1, 2};
  int f = 0;
  t.first_shell.push_back(0);
  for (int a = 0; a < t.n_atoms; ++a) {
    const double zeta = atoms[a][0] <= 2 ? 1.0 : 2.5;
    const double e[per_atom] = {6.0 * zeta * zeta, 1.2 * zeta, 0.25, 0.9, 0.7};
    t.atom_first.push_back(f);
    for (int k = 0; k < per_atom; ++k) {
      const int i = a * per_atom + k;
      t.exponent[i] = e[k];
      t.shells.push_back({l_of[k], 1, f, a, &t.exponent[i], &t.coef[i], &t.xyz[3 * a]});
      f += 2 * l_of[k] + 1;
    }
    t.first_shell.push_back(static_cast<int>(t.shells.size()));
  }
  t.atom_first.push_back(f);
  t.set = ShellSet{t.n_atoms, static_cast<int>(t.shells.size()), f, t.shells.data(),
                   t.first_shell.data()};
  return t;
}

XcFunctional functional(const char* name) {
  const double p[32] = {};
  const std::int32_t n[5] = {};
  XcFunctional f = xc_cleared(p, n);
  EXPECT_TRUE(xc_lookup(name, f));
  return f;
}

// Free-atom data of both partitions: fit-type coefficients on the s functions, and per-atom
// rank-one density blocks over the s functions.
struct Partitions {
  std::vector<double> atomic_d, blocks;
  std::vector<long> offsets;
};

Partitions partitions(const System& t) {
  Partitions p;
  p.atomic_d.assign(t.set.n_functions, 0.0);
  long total = 0;
  for (int a = 0; a < t.n_atoms; ++a) {
    const int n = t.atom_first[a + 1] - t.atom_first[a];
    p.offsets.push_back(total);
    std::vector<double> v(n, 0.0);
    for (int k = 0; k < 3; ++k) {
      p.atomic_d[t.atom_first[a] + k] = 0.3 * (k + 1);
      v[k] = 0.5 / (k + 1);
    }
    for (int i = 0; i < n; ++i)
      for (int j = 0; j <= i; ++j) p.blocks.push_back(v[i] * v[j]);
    total += n * (n + 1) / 2;
  }
  return p;
}

// A positive semi-definite density matrix C C^T (packed) with a few occupied orbitals.
std::vector<double> density_matrix(const System& t, unsigned seed) {
  const int n = t.set.n_functions, occ = 4;
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-0.3, 0.3);
  std::vector<double> c(n * occ);
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < occ; ++k) c[i * occ + k] = u(gen) + ((i % 11) < 3 ? 0.4 : 0.0);
  std::vector<double> d;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) {
      double s = 0.0;
      for (int k = 0; k < occ; ++k) s += c[i * occ + k] * c[j * occ + k];
      d.push_back(s);
    }
  return d;
}

std::vector<double> fit_vector(const System& t, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-0.05, 0.05);
  std::vector<double> d(t.set.n_functions);
  for (int a = 0; a < t.n_atoms; ++a)
    for (int m = t.atom_first[a]; m < t.atom_first[a + 1]; ++m)
      d[m] = m - t.atom_first[a] < 3 ? 0.4 + u(gen) : u(gen);
  return d;
}

struct Case {
  bool orbital;
  const char* functional;
  bool open;
};

class XcGradient : public testing::RuntimeTest {
 protected:
  // Energy (and gradient) with weights formed from the partition at the current geometry.
  double run(System& t, const Grid& g, const Partitions& p, const Case& c, const std::vector<double>& a,
             const std::vector<double>& b, double* grad, bool weight_derivative = true,
             const double* weights = nullptr) {
    const XcFunctional f = functional(c.functional);
    const GridPartition part = c.orbital ? GridPartition{nullptr, p.blocks.data(), p.offsets.data()}
                                         : GridPartition{p.atomic_d.data(), nullptr, nullptr};
    const XcGradientInput in{&g, GRID_FINAL, GridSystem{t.n_atoms, t.xyz.data(), &t.set}, part, &f,
                             weights, weight_derivative};
    const double* beta = c.open ? b.data() : nullptr;
    return c.orbital ? xc_gradient_orbital_terms(in, a.data(), beta, grad)
                     : xc_gradient_fitted_terms(in, a.data(), beta, grad);
  }
};

const std::vector<std::vector<double>> kBent = {
    {8, 0.0, 0.0, -0.1294}, {1, 0.0, 1.4941, 1.0274}, {1, 0.3, -1.4941, 1.0274}};

TEST_F(XcGradient, AgreesWithCentralDifferencesOfTheGridEnergy) {
  const Case cases[] = {{false, "PBE", false}, {false, "BLYP", true}, {false, "LSD", true},
                        {true, "PBE", false},  {true, "BLYP", true},  {true, "LSD", false}};
  for (const Case& c : cases) {
    System t = make(kBent);
    const Partitions p = partitions(t);
    std::vector<double> a, b;
    if (c.orbital) {
      a = density_matrix(t, 1);
      b = density_matrix(t, 2);
    } else {
      a = fit_vector(t, 1);
      b = fit_vector(t, 2);
    }
    testing::GridTestSystem shape = testing::make_system(kBent);
    Grid g = testing::make_grid(shape, 30, 110);
    std::vector<double> full(3 * t.n_atoms, 0.0), bare(3 * t.n_atoms, 0.0);
    run(t, g, p, c, a, b, full.data(), true);
    run(t, g, p, c, a, b, bare.data(), false);
    const double h = 1e-4;
    double err_full = 0.0, err_bare = 0.0;
    for (int i = 0; i < 3 * t.n_atoms; ++i) {
      const double x0 = t.xyz[i];
      t.xyz[i] = x0 + h;
      const double ep = run(t, g, p, c, a, b, nullptr);
      t.xyz[i] = x0 - h;
      const double em = run(t, g, p, c, a, b, nullptr);
      t.xyz[i] = x0;
      const double fd = (ep - em) / (2 * h);
      err_full = std::max(err_full, std::abs(full[i] - fd));
      err_bare = std::max(err_bare, std::abs(bare[i] - fd));
      EXPECT_NEAR(full[i], fd, 2e-7) << c.functional << (c.orbital ? " orbital " : " fitted ") << i;
    }
    std::printf("  %s %s %s: max |analytic - FD| %.2e with the weight derivative, %.2e without\n",
                c.orbital ? "orbital" : "fitted", c.functional, c.open ? "open" : "closed", err_full,
                err_bare);
    grid_release(g);
  }
}

}  // namespace
}  // namespace ostrel
