// Core-potential integrals against Psi4, brute-force quadrature, closed forms and finite
// differences: blocks of shell pairs, the matrix over a whole basis and its gradient.
#include "integrals/core_potential.hpp"

#include "integrals/core_potential_angular.hpp"
#include "integrals/core_potential_matrix.hpp"
#include "generated/psi4_ecp_reference_data.hpp"
#include "scf/grid/lebedev.hpp"
#include "support/gaussian_value.hpp"
#include "support/matrices.hpp"
#include "test_shells.hpp"

namespace ostrel {
namespace {

namespace ref = psi4_ecp_reference;
using testing::TestShell;
using CorePotentialTest = testing::RuntimeTest;
constexpr int kShellCount = sizeof(ref::kShells) / sizeof(ref::kShells[0]);

CorePotential iodine_potential(const double* centre = ref::kCoordinates) {
  CorePotential u{};
  u.centre = centre;
  u.lmax = ref::kLmax;
  u.nlocal = static_cast<int>(sizeof(ref::kLocal) / sizeof(CoreTerm));
  u.local = ref::kLocal;
  const CoreTerm* semi[3] = {ref::kSemi0, ref::kSemi1, ref::kSemi2};
  for (int l = 0; l < 3; ++l) {
    u.nsemi[l] = ref::kNsemi[l];
    u.semi[l] = semi[l];
  }
  return u;
}

std::vector<TestShell> reference_shells(const double* xyz = ref::kCoordinates) {
  return testing::shells_from(ref::kShells, kShellCount, xyz);
}

// The reference basis at `xyz` as a shell list, with the iodine potential on the first atom.
struct ReferenceBasis {
  std::vector<TestShell> shells;
  std::vector<Shell> views;
  std::vector<int> first, atom;
  CorePotential u;
  int on_atom = 0;
  explicit ReferenceBasis(const double* xyz) : shells(reference_shells(xyz)), u(iodine_potential(xyz)) {
    for (int s = 0, n = 0; s < kShellCount; n += shells[s].size(), ++s) {
      views.push_back(shells[s].view());
      first.push_back(n);
      atom.push_back(ref::kShells[s].atom);
    }
  }
  ShellList basis() const { return {kShellCount, views.data(), first.data(), atom.data(), ref::kNbf}; }
  PotentialList potentials() const { return {1, &u, &on_atom}; }
};

// The block of shells b (rows) and a (columns), one and the same shell or two, from the
// matrix of the program's integral path.
std::vector<double> pair_block(const TestShell& b, const TestShell& a, const CorePotential& u) {
  const bool same = &b == &a;
  const Shell views[2] = {a.view(), b.view()};
  const int first[2] = {0, a.size()}, atom[2] = {0, 0}, on = 0, row0 = same ? 0 : a.size();
  std::vector<double> m(packed_size(row0 + b.size()), 0.0), block(b.size() * a.size());
  add_core_potential_matrix({same ? 1 : 2, views, first, atom, row0 + b.size()}, {1, &u, &on}, 0, 1, m.data());
  for (int i = 0; i < b.size(); ++i)
    for (int j = 0; j < a.size(); ++j) block[i * a.size() + j] = m[testing::sym_index(row0 + i, j)];
  return block;
}

std::vector<double> potential_matrix(const double* xyz, int first_point = 0, int stride = 1) {
  const ReferenceBasis b(xyz);
  std::vector<double> m(packed_size(ref::kNbf), 0.0);
  add_core_potential_matrix(b.basis(), b.potentials(), first_point, stride, m.data());
  return m;
}

TEST(ScaledBessel, MatchesClosedFormsAndRecursion) {
  double v[8];
  for (double z : {1e-3, 0.7, 5.0, 29.9, 30.1, 80.0}) {
    scaled_bessel_i(7, z, v);
    const double e = std::exp(-z);
    EXPECT_NEAR(v[0], e * std::sinh(z) / z, 1e-15 * std::max(1.0, v[0])) << z;
    if (z > 0.5)
      EXPECT_NEAR(v[1], e * (z * std::cosh(z) - std::sinh(z)) / (z * z), 2e-15) << z;
    else
      EXPECT_NEAR(v[1], e * z / 3.0 * (1.0 + z * z / 10.0), 1e-15) << z;  // series
    // i_{k-1} - i_{k+1} = (2k+1)/z i_k
    for (int k = 1; k < 7; ++k)
      EXPECT_NEAR((v[k - 1] - v[k + 1]) * z / (2 * k + 1), v[k], 1e-14) << z << " " << k;
  }
  scaled_bessel_i(3, 0.0, v);
  EXPECT_EQ((std::vector<double>{v[0], v[3]}), (std::vector<double>{1.0, 0.0}));
}

TEST_F(CorePotentialTest, MatrixMatchesPsi4AndSplitsOverRadialPoints) {
  const auto whole = potential_matrix(ref::kCoordinates);
  std::vector<double> shared(whole.size(), 0.0);
  for (int node = 0; node < 3; ++node) {
    const auto part = potential_matrix(ref::kCoordinates, node, 3);
    for (size_t i = 0; i < part.size(); ++i) shared[i] += part[i];
  }
  // Psi4 1.3.2 is exact on the iodine itself (see the one-centre test) but off by up to
  // 2e-7 where the oxygen functions meet the potential (600 radial points and the largest
  // Lebedev rule give 3.3907e-6 and 1.1811e-7 for the first two diagonal elements of oxygen's
  // p shell, Psi4 3.2026e-6 and -2.42e-8), so the two regions get their own tolerances.
  const int iodine_functions = 26;
  double worst = 0.0, worst_iodine = 0.0;
  for (int row = 0; row < ref::kNbf; ++row)
    for (int col = 0; col <= row; ++col) {
      const int k = row * (row + 1) / 2 + col;
      const double d = std::fabs(whole[k] - ref::kEcp[k]);
      if (row < iodine_functions) worst_iodine = std::max(worst_iodine, d);
      worst = std::max(worst, d);
      EXPECT_NEAR(shared[k], whole[k], 1e-14 * std::max(1.0, std::fabs(whole[k])));
    }
  EXPECT_LT(worst_iodine, 5e-8);  // the 64-point radial rule, see the one-centre test
  EXPECT_LT(worst, 2.5e-7);
}

TEST_F(CorePotentialTest, ScreeningDropsOnlyShellsOutOfReach) {
  const CorePotential u = iodine_potential();
  EXPECT_TRUE(core_potential_reaches(reference_shells()[0].view(), u));
  // A tight s function 12 bohr away cannot reach the potential; a diffuse one can.
  const double far[3] = {12.0, 0.0, 0.0};
  const TestShell tight(far, 0, {8.0}, {1.0}), diffuse(far, 0, {0.05}, {1.0});
  EXPECT_FALSE(core_potential_reaches(tight.view(), u));
  EXPECT_TRUE(core_potential_reaches(diffuse.view(), u));
  EXPECT_LT(std::fabs(pair_block(tight, tight, u)[0]), 1e-15);
}

TEST_F(CorePotentialTest, MatrixGradientMatchesFiniteDifferences) {
  std::vector<double> xyz(ref::kCoordinates, ref::kCoordinates + 9);
  std::vector<double> d(packed_size(ref::kNbf));
  for (size_t i = 0; i < d.size(); ++i) d[i] = 0.2 * std::cos(0.37 * i) + (i % 11 == 0 ? 0.4 : 0.0);
  const ReferenceBasis b(ref::kCoordinates);
  std::vector<double> grad(9, 0.0);
  core_potential_gradient(b.basis(), b.potentials(), d.data(), 0, 1, grad.data());
  auto energy = [&](const std::vector<double>& at) {
    return testing::packed_trace(ref::kNbf, d.data(), potential_matrix(at.data()).data());
  };
  const double h = 1e-4;
  double sum[3] = {0.0, 0.0, 0.0};
  for (int c = 0; c < 9; ++c) {
    auto p = xyz, m = xyz;
    p[c] += h;
    m[c] -= h;
    EXPECT_NEAR(grad[c], (energy(p) - energy(m)) / (2 * h), 2e-7) << c;
    sum[c % 3] += grad[c];
  }
  for (double s : sum) EXPECT_NEAR(s, 0.0, 1e-10);  // translations leave the energy alone
}

double shell_value(const TestShell& sh, int s, const double* x) {
  return testing::gaussian_value(sh.l, s, static_cast<int>(sh.exponents.size()), sh.exponents.data(),
                                 sh.coefficients.data(), sh.centre, x);
}

double channel(const CoreTerm* t, int n, double r) {
  double v = 0.0;
  for (int i = 0; i < n; ++i) v += t[i].c * std::pow(r, t[i].n) * std::exp(-t[i].a * r * r);
  return v;
}

// The same radial points, but angular integrals from the largest Lebedev rule: only the
// analytic angular projection differs from the kernel.
std::vector<double> lebedev_block(const TestShell& b, const TestShell& a, const CorePotential& u) {
  const int nrad = kCoreRadialPoints;
  const int rule = lebedev_rule_count() - 1, np = lebedev_rule_points(rule);
  std::vector<double> x(np), y(np), z(np), w(np);
  lebedev_rule_fill(rule, x.data(), y.data(), z.data(), w.data());
  const int na = a.size(), nb = b.size();
  std::vector<double> out(na * nb, 0.0), va(np * na), vb(np * nb), ylm(np * 16);
  for (int i = 0; i < np; ++i) {
    const double dir[3] = {x[i], y[i], z[i]};
    for (int l = 0; l < u.lmax; ++l)
      for (int m = 0; m <= 2 * l; ++m) ylm[i * 16 + l * l + m] = harmonic_value(l, m, dir);
  }
  for (int k = 0; k < nrad; ++k) {
    const double xx = (k + 1.0) / (nrad + 1.0), x3 = xx * xx * xx;
    const double r = -std::log(1.0 - x3), wr = 3.0 * xx * xx / ((1.0 - x3) * (nrad + 1.0));
    for (int i = 0; i < np; ++i) {
      const double pt[3] = {u.centre[0] + r * x[i], u.centre[1] + r * y[i], u.centre[2] + r * z[i]};
      for (int s = 0; s < na; ++s) va[i * na + s] = shell_value(a, s, pt);
      for (int s = 0; s < nb; ++s) vb[i * nb + s] = shell_value(b, s, pt);
    }
    const double f = 4.0 * M_PI * wr * r * r;
    const double ul = channel(u.local, u.nlocal, r);
    for (int sb = 0; sb < nb; ++sb)
      for (int sa = 0; sa < na; ++sa) {
        double loc = 0.0;
        for (int i = 0; i < np; ++i) loc += w[i] * vb[i * nb + sb] * va[i * na + sa];
        out[sb * na + sa] += f * ul * loc;
      }
    for (int l = 0; l < u.lmax; ++l) {
      const double us = channel(u.semi[l], u.nsemi[l], r);
      for (int m = 0; m <= 2 * l; ++m) {
        std::vector<double> pa(na, 0.0), pb(nb, 0.0);
        for (int i = 0; i < np; ++i) {
          const double yv = w[i] * ylm[i * 16 + l * l + m];
          for (int s = 0; s < na; ++s) pa[s] += yv * va[i * na + s];
          for (int s = 0; s < nb; ++s) pb[s] += yv * vb[i * nb + s];
        }
        for (int sb = 0; sb < nb; ++sb)
          for (int sa = 0; sa < na; ++sa) out[sb * na + sa] += f * us * pb[sb] * pa[sa];
      }
    }
  }
  return out;
}

// One-centre blocks are radial Gaussian integrals:
// 4 pi sum c_i c_j c_t Gamma((3 + 2l + n)/2) / (2 (a_i + a_j + a_t)^((3 + 2l + n)/2)).
double one_centre_reference(const TestShell& s, const CoreTerm* t, int n) {
  double v = 0.0;
  for (size_t i = 0; i < s.exponents.size(); ++i)
    for (size_t j = 0; j < s.exponents.size(); ++j)
      for (int k = 0; k < n; ++k) {
        const double q = 0.5 * (3 + 2 * s.l + t[k].n);
        v += s.coefficients[i] * s.coefficients[j] * t[k].c * std::tgamma(q) /
             (2.0 * std::pow(s.exponents[i] + s.exponents[j] + t[k].a, q));
      }
  return 4.0 * M_PI * v;
}

TEST_F(CorePotentialTest, OneCentreBlocksAreRadialIntegrals) {
  const CorePotential u = iodine_potential();
  const auto shells = reference_shells();
  // The 64-point rule ends at r = 3.1 bohr: exact to 2e-10 relative for the compact shells, but the
  // diffuse d shell (exponent 0.29) with the long-range d channel loses 4.2e-8 there.
  for (int index : {0, 1, 3, 4, 7, 8, 9}) {  // iodine s, p and d shells, tight to diffuse
    const TestShell& s = shells[index];
    const std::vector<double> block = pair_block(s, s, u);
    double want = one_centre_reference(s, u.local, u.nlocal);
    if (s.l < u.lmax) want += one_centre_reference(s, u.semi[s.l], u.nsemi[s.l]);
    const double tolerance = index == 9 ? 5e-8 : 1e-9 * std::max(1.0, std::fabs(want));
    for (int i = 0; i < s.size(); ++i)
      for (int j = 0; j < s.size(); ++j)
        EXPECT_NEAR(block[i * s.size() + j], i == j ? want : 0.0, tolerance) << index << " " << i << " " << j;
  }
}

TEST_F(CorePotentialTest, AngularProjectionMatchesLebedevQuadrature) {
  const CorePotential u = iodine_potential();
  const auto shells = reference_shells();
  // Oxygen's p shell 3.6 bohr from the iodine, and a diffuse f pair off both axes.
  const double c1[3] = {0.9, -0.6, 0.7}, c2[3] = {-0.3, 0.8, -0.5};
  const TestShell f1(c1, 3, {0.9}, {1.0}), d2(c2, 2, {1.4, 0.5}, {0.5, 0.6});
  const TestShell pairs[][2] = {{shells[13], shells[13]}, {shells[13], shells[4]}, {f1, d2}, {d2, shells[8]}};
  for (const auto& pr : pairs) {
    const TestShell &b = pr[0], &a = pr[1];
    const std::vector<double> mine = pair_block(b, a, u);
    const auto brute = lebedev_block(b, a, u);
    for (size_t e = 0; e < mine.size(); ++e)
      EXPECT_NEAR(mine[e], brute[e], 1e-11) << b.l << " " << a.l << " " << e;
  }
}

TEST_F(CorePotentialTest, DerivativesMatchFiniteDifferences) {
  const auto shells = reference_shells();
  const double c1[3] = {0.9, -0.6, 0.7};
  const TestShell f1(c1, 3, {0.9, 0.35}, {0.6, 0.5});
  // (b, a): off-centre pair, off-centre with one on the centre, both on the centre
  const TestShell pairs[][2] = {
      {shells[13], f1}, {shells[8], shells[13]}, {shells[16], shells[4]}, {shells[9], shells[4]}};
  for (const auto& pr : pairs) {
    const TestShell &b0 = pr[0], &a0 = pr[1];
    const int n = a0.size() * b0.size();
    CorePotential u = iodine_potential();
    std::vector<double> db(3 * n, 0.0), da(3 * n, 0.0);
    core_potential_derivative_shell_pair(b0.view(), a0.view(), u, 0, 1, db.data(), da.data());
    for (int which = 0; which < 3; ++which)
      for (int k = 0; k < 3; ++k) {
        const double h = 1e-4;
        std::vector<double> fd(n, 0.0);
        for (int step : {-2, -1, 1, 2}) {
          TestShell a = a0, b = b0;
          double c[3] = {ref::kCoordinates[0], ref::kCoordinates[1], ref::kCoordinates[2]};
          double* moved = which == 0 ? a.centre : which == 1 ? b.centre : c;
          moved[k] += step * h;
          u.centre = c;
          const std::vector<double> v = pair_block(b, a, u);
          const double w = (step == 1 ? 8.0 : step == -1 ? -8.0 : step == 2 ? -1.0 : 1.0) / (12.0 * h);
          for (int e = 0; e < n; ++e) fd[e] += w * v[e];
        }
        for (int e = 0; e < n; ++e) {
          const double got = which == 0   ? da[k * n + e]
                             : which == 1 ? db[k * n + e]
                                          : -(da[k * n + e] + db[k * n + e]);
          EXPECT_NEAR(got, fd[e], 1e-10 * std::max(1.0, std::fabs(fd[e])))
              << b0.l << a0.l << " " << which << k << " " << e;
        }
      }
  }
}

}  // namespace
}  // namespace ostrel
