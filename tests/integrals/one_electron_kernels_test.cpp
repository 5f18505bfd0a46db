// Closed forms, limits, finite differences and invariances of the one-electron pair kernels.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "integrals/one_electron_kernels.hpp"
#include "linalg/eigen_symmetric.hpp"
#include "support/matrices.hpp"
#include "support/runtime_fixture.hpp"
#include "test_shells.hpp"

namespace ostrel {
namespace {

using testing::TestShell;
using KernelTest = testing::RuntimeTest;  // the eigensolver takes its work space from the pool

const double kA[3] = {0.3, -0.4, 0.2};
const double kB[3] = {-0.5, 0.6, 1.1};
const double kC[3] = {0.9, 0.35, -0.7};

TestShell contracted(const double* centre, int l) {
  return TestShell(centre, l, {2.4 + 0.3 * l, 0.65, 0.21}, {0.3, 0.6, 0.25});
}

// Fourth-order central difference of every element of a kernel's output with respect to
// coordinate k of one centre.
using Blocks = std::function<std::vector<double>(const double* a, const double* b, const double* c)>;
std::vector<double> finite_difference(const Blocks& f, int which, int k) {
  const double h = 1e-3;
  auto at = [&](double s) {
    double p[3][3] = {{kA[0], kA[1], kA[2]}, {kB[0], kB[1], kB[2]}, {kC[0], kC[1], kC[2]}};
    p[which][k] += s;
    return f(p[0], p[1], p[2]);
  };
  const auto p1 = at(h), m1 = at(-h), p2 = at(2 * h), m2 = at(-2 * h);
  std::vector<double> d(p1.size());
  for (size_t i = 0; i < d.size(); ++i) d[i] = (8.0 * (p1[i] - m1[i]) - (p2[i] - m2[i])) / (12.0 * h);
  return d;
}

void expect_close(const double* got, const std::vector<double>& want, double tol, const char* what) {
  EXPECT_LT(testing::max_difference(std::vector<double>(got, got + want.size()), want), tol) << what;
}

TEST(OverlapKernel, NormalisedShellsOnOneCentreGiveUnitBlocks) {
  for (int l = 0; l <= kPairMaxL; ++l) {
    const TestShell s = contracted(kA, l);
    std::vector<double> block(s.size() * s.size());
    overlap_shell_pair(s.view(), s.view(), block.data());
    for (int i = 0; i < s.size(); ++i)
      for (int j = 0; j < s.size(); ++j) EXPECT_NEAR(block[i * s.size() + j], i == j, 1e-13) << l;
  }
}

TEST(OverlapKernel, SFunctionsFollowTheClosedForms) {
  const double a = 1.3, b = 0.45;
  const TestShell sa(kA, 0, {a}, {1.0}), sb(kB, 0, {b}, {1.0});
  double r2 = 0.0;
  for (int k = 0; k < 3; ++k) r2 += (kA[k] - kB[k]) * (kA[k] - kB[k]);
  const double p = a + b, x = a * b / p * r2;
  const double s_ref = std::pow(2.0 * std::sqrt(a * b) / p, 1.5) * std::exp(-x);
  double s, t, v;
  overlap_shell_pair(sb.view(), sa.view(), &s);
  kinetic_shell_pair(sb.view(), sa.view(), &t);
  EXPECT_NEAR(s, s_ref, 1e-15);
  EXPECT_NEAR(t, a * b / p * (3.0 - 2.0 * x) * s_ref, 1e-15);
  // Attraction to a point charge and to a Gaussian charge: erf(sqrt(rho) R)/R times the overlap.
  double pc2 = 0.0;
  for (int k = 0; k < 3; ++k) {
    const double pk = (a * kA[k] + b * kB[k]) / p;
    pc2 += (pk - kC[k]) * (pk - kC[k]);
  }
  for (double zeta : {0.0, 0.8, 40.0}) {
    const PointCharge q{{kC[0], kC[1], kC[2]}, 2.5, zeta};
    nuclear_attraction_shell_pair(sb.view(), sa.view(), std::span<const PointCharge>(&q, 1), &v);
    const double rho = zeta == 0.0 ? p : p * zeta / (p + zeta);
    EXPECT_NEAR(v, -2.5 * s_ref * std::erf(std::sqrt(rho * pc2)) / std::sqrt(pc2), 1e-14) << zeta;
  }
}

TEST_F(KernelTest, GaussianNucleusIsTheSmearedPointNucleus) {
  // Gauss-Hermite product rule over the charge distribution of point-charge attractions;
  // nodes and weights from the eigenvectors of the Hermite recursion (Golub-Welsch).
  const int n = 24;
  std::vector<double> jacobi(n * (n + 1) / 2, 0.0), vectors(n * n), x(n), w(n);
  for (int k = 1; k < n; ++k) jacobi[k * (k + 1) / 2 + k - 1] = std::sqrt(0.5 * k);
  eigen_symmetric(jacobi.data(), vectors.data(), x.data(), n);
  for (int i = 0; i < n; ++i) w[i] = std::sqrt(M_PI) * vectors[i * n] * vectors[i * n];
  const double zeta = 6.0;
  const TestShell sa = contracted(kA, 1), sb = contracted(kB, 2);
  const int size = sa.size() * sb.size();
  std::vector<double> smeared(size, 0.0), block(size);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < n; ++k) {
        const double s = 1.0 / std::sqrt(zeta);  // exp(-zeta r^2) = exp(-u^2) with r = u / sqrt(zeta)
        const PointCharge q{{kC[0] + s * x[i], kC[1] + s * x[j], kC[2] + s * x[k]}, 1.0, 0.0};
        nuclear_attraction_shell_pair(sb.view(), sa.view(), std::span<const PointCharge>(&q, 1),
                                      block.data());
        const double weight = w[i] * w[j] * w[k] / std::pow(M_PI, 1.5);
        for (int e = 0; e < size; ++e) smeared[e] += weight * block[e];
      }
  const PointCharge gauss{{kC[0], kC[1], kC[2]}, 1.0, zeta};
  const PointCharge point{{kC[0], kC[1], kC[2]}, 1.0, 0.0};
  std::vector<double> analytic(size), pointlike(size);
  nuclear_attraction_shell_pair(sb.view(), sa.view(), std::span<const PointCharge>(&gauss, 1),
                                analytic.data());
  nuclear_attraction_shell_pair(sb.view(), sa.view(), std::span<const PointCharge>(&point, 1),
                                pointlike.data());
  expect_close(analytic.data(), smeared, 1e-10, "smeared nucleus");
  EXPECT_GT(testing::max_difference(analytic, pointlike), 1e-4);  // else a point nucleus would pass
}

TEST(PairKernels, DipoleShiftsWithTheOriginByTheOverlap) {
  const TestShell sa = contracted(kA, 2), sb = contracted(kB, 1);
  const int size = sa.size() * sb.size();
  const double zero[3] = {0.0, 0.0, 0.0};
  std::vector<double> s(size), m0(kMomentCount * size), mc(kMomentCount * size);
  overlap_shell_pair(sb.view(), sa.view(), s.data());
  moment_shell_pair(sb.view(), sa.view(), zero, m0.data());
  moment_shell_pair(sb.view(), sa.view(), kC, mc.data());
  for (int k = 0; k < 3; ++k)
    for (int e = 0; e < size; ++e) EXPECT_NEAR(m0[k * size + e], mc[k * size + e] + kC[k] * s[e], 1e-14);
  // xy about the origin = (x' + Cx)(y' + Cy) about C
  for (int e = 0; e < size; ++e)
    EXPECT_NEAR(m0[4 * size + e],
                mc[4 * size + e] + kC[0] * mc[1 * size + e] + kC[1] * mc[0 * size + e] + kC[0] * kC[1] * s[e],
                1e-14);
}

struct PairCase {
  int la, lb;
};

class DerivativeTest : public ::testing::TestWithParam<PairCase> {};

TEST_P(DerivativeTest, OverlapAndKineticMatchFiniteDifferences) {
  const auto [la, lb] = GetParam();
  const int size = (2 * la + 1) * (2 * lb + 1);
  std::vector<double> ds(3 * size), dt(3 * size);
  const TestShell sa = contracted(kA, la), sb = contracted(kB, lb);
  overlap_derivative_shell_pair(sb.view(), sa.view(), ds.data());
  kinetic_derivative_shell_pair(sb.view(), sa.view(), dt.data());
  for (auto [name, kernel, got] :
       {std::tuple{"overlap", &overlap_shell_pair, &ds}, std::tuple{"kinetic", &kinetic_shell_pair, &dt}}) {
    const Blocks f = [&, kernel = kernel](const double* a, const double* b, const double*) {
      std::vector<double> out(size);
      kernel(contracted(b, lb).view(), contracted(a, la).view(), out.data());
      return out;
    };
    for (int k = 0; k < 3; ++k) {
      expect_close(got->data() + k * size, finite_difference(f, 1, k), 1e-9, name);
      std::vector<double> minus(size);
      for (int e = 0; e < size; ++e) minus[e] = -(*got)[k * size + e];
      expect_close(minus.data(), finite_difference(f, 0, k), 1e-9, name);
    }
  }
}

TEST_P(DerivativeTest, MomentsMatchFiniteDifferences) {
  const auto [la, lb] = GetParam();
  const int size = (2 * la + 1) * (2 * lb + 1);
  const int n = kMomentCount * size;
  std::vector<double> db(3 * n), da(3 * n);
  moment_derivative_shell_pair(contracted(kB, lb).view(), contracted(kA, la).view(), kC, db.data(),
                               da.data());
  const Blocks f = [&](const double* a, const double* b, const double* c) {
    std::vector<double> out(n);
    moment_shell_pair(contracted(b, lb).view(), contracted(a, la).view(), c, out.data());
    return out;
  };
  for (int which = 0; which < 2; ++which)
    for (int k = 0; k < 3; ++k) {
      const auto fd = finite_difference(f, which, k);
      const std::vector<double>& got = which == 0 ? da : db;
      for (int op = 0; op < kMomentCount; ++op) {
        std::vector<double> want(fd.begin() + op * size, fd.begin() + (op + 1) * size);
        expect_close(got.data() + (op * 3 + k) * size, want, 1e-9, "moment");
      }
    }
}

TEST_P(DerivativeTest, AttractionMatchesFiniteDifferencesForAllThreeCentres) {
  const auto [la, lb] = GetParam();
  const int size = (2 * la + 1) * (2 * lb + 1);
  for (double zeta : {0.0, 3.0}) {
    const PointCharge q{{kC[0], kC[1], kC[2]}, 1.7, zeta};
    std::vector<double> d[3] = {std::vector<double>(3 * size), std::vector<double>(3 * size),
                                std::vector<double>(3 * size)};
    nuclear_attraction_derivative_shell_pair(contracted(kB, lb).view(), contracted(kA, la).view(), q,
                                             d[1].data(), d[0].data(), d[2].data());
    const Blocks f = [&](const double* a, const double* b, const double* c) {
      std::vector<double> out(size);
      const PointCharge moved{{c[0], c[1], c[2]}, 1.7, zeta};
      nuclear_attraction_shell_pair(contracted(b, lb).view(), contracted(a, la).view(),
                                    std::span<const PointCharge>(&moved, 1), out.data());
      return out;
    };
    for (int which = 0; which < 3; ++which)
      for (int k = 0; k < 3; ++k)
        expect_close(d[which].data() + k * size, finite_difference(f, which, k), 1e-9, "attraction");
    for (int e = 0; e < 3 * size; ++e) EXPECT_NEAR(d[0][e] + d[1][e] + d[2][e], 0.0, 1e-12);
  }
}

INSTANTIATE_TEST_SUITE_P(ShellPairs, DerivativeTest,
                         ::testing::Values(PairCase{0, 0}, PairCase{1, 0}, PairCase{0, 2}, PairCase{2, 1},
                                           PairCase{3, 2}, PairCase{4, 3}, PairCase{5, 4}));

}  // namespace
}  // namespace ostrel
