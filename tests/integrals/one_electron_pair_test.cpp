// The atom-pair blocks of the one-electron operators: closed forms, limits, invariances and
// finite differences of one shell pair at a time, a general contraction (exponents shared
// across shells) against the same shells one by one, and the screening.

#include <functional>

#include "support/matrices.hpp"
#include "test_shells.hpp"

namespace ostrel {
namespace {

using testing::TestAtom;
using testing::TestShell;

const double kA[3] = {0.3, -0.4, 0.2};
const double kB[3] = {-0.5, 0.6, 1.1};
const double kC[3] = {0.9, 0.35, -0.7};

TestShell contracted(const double* centre, int l) {
  return TestShell(centre, l, {2.4 + 0.3 * l, 0.65, 0.21}, {0.3, 0.6, 0.25});
}

// The blocks of one operator between two atoms (rows b, columns a), epsilon tiny.
std::vector<double> blocks(PairOperator op, const TestAtom& b, const TestAtom& a, const PairOperatorData& d = {}) {
  std::vector<double> out(pair_operator_blocks(op) * b.nfunc * a.nfunc, 0.0);
  add_pair_blocks(op, b.view(), a.view(), 1e-30, d, out.data());
  return out;
}
std::vector<double> blocks(PairOperator op, const TestShell& b, const TestShell& a, const PairOperatorData& d = {}) {
  return blocks(op, TestAtom({b}), TestAtom({a}), d);
}
PairOperatorData charges(const PointCharge& q) { return {std::span<const PointCharge>(&q, 1), nullptr}; }
PairOperatorData about(const double* origin) { return {{}, origin}; }

// Fourth-order central difference of every element of `f` with respect to coordinate k of
// centre `which` (A, B, C).
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

// Block `k` of size n of `all`.
std::vector<double> part(const std::vector<double>& all, int k, int n) {
  return std::vector<double>(all.begin() + k * n, all.begin() + (k + 1) * n);
}

TEST(PairBlocks, NormalisedShellsOnOneCentreGiveUnitBlocks) {
  for (int l = 0; l <= kPairMaxL; ++l) {
    const TestShell s = contracted(kA, l);
    const std::vector<double> block = blocks(PairOperator::overlap, s, s);
    for (int i = 0; i < s.size(); ++i)
      for (int j = 0; j < s.size(); ++j) EXPECT_NEAR(block[i * s.size() + j], i == j, 1e-13) << l;
  }
}

TEST(PairBlocks, SFunctionsFollowTheClosedForms) {
  const double a = 1.3, b = 0.45;
  const TestShell sa(kA, 0, {a}, {1.0}), sb(kB, 0, {b}, {1.0});
  double r2 = 0.0;
  for (int k = 0; k < 3; ++k) r2 += (kA[k] - kB[k]) * (kA[k] - kB[k]);
  const double p = a + b, x = a * b / p * r2;
  const double s_ref = std::pow(2.0 * std::sqrt(a * b) / p, 1.5) * std::exp(-x);
  EXPECT_NEAR(blocks(PairOperator::overlap, sb, sa)[0], s_ref, 1e-15);
  EXPECT_NEAR(blocks(PairOperator::kinetic, sb, sa)[0], a * b / p * (3.0 - 2.0 * x) * s_ref, 1e-15);
  // Attraction to a point charge and to a Gaussian charge: erf(sqrt(rho) R)/R times the overlap.
  double pc2 = 0.0;
  for (int k = 0; k < 3; ++k) {
    const double pk = (a * kA[k] + b * kB[k]) / p;
    pc2 += (pk - kC[k]) * (pk - kC[k]);
  }
  for (double zeta : {0.0, 0.8, 40.0}) {
    const PointCharge q{{kC[0], kC[1], kC[2]}, 2.5, zeta};
    const double rho = zeta == 0.0 ? p : p * zeta / (p + zeta);
    EXPECT_NEAR(blocks(PairOperator::attraction, sb, sa, charges(q))[0],
                -2.5 * s_ref * std::erf(std::sqrt(rho * pc2)) / std::sqrt(pc2), 1e-14)
        << zeta;
  }
}

// Gauss-Hermite product rule over the charge distribution of point charges; nodes and weights
// from the eigenvectors of the Hermite recursion (Golub-Welsch).
class GaussianNucleus : public testing::RuntimeTest {};  // the eigensolver takes pool memory

TEST_F(GaussianNucleus, IsTheSmearedPointNucleus) {
  const int n = 24;
  std::vector<double> jacobi(n * (n + 1) / 2, 0.0), vectors(n * n), x(n), w(n);
  for (int k = 1; k < n; ++k) jacobi[k * (k + 1) / 2 + k - 1] = std::sqrt(0.5 * k);
  eigen_symmetric(jacobi.data(), vectors.data(), x.data(), n);
  for (int i = 0; i < n; ++i) w[i] = std::sqrt(M_PI) * vectors[i * n] * vectors[i * n];
  const double zeta = 6.0, s = 1.0 / std::sqrt(zeta);  // exp(-zeta r^2) = exp(-u^2), r = u / sqrt(zeta)
  std::vector<PointCharge> points;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < n; ++k)
        points.push_back({{kC[0] + s * x[i], kC[1] + s * x[j], kC[2] + s * x[k]}, w[i] * w[j] * w[k] / std::pow(M_PI, 1.5),
                          0.0});
  const TestShell sa = contracted(kA, 1), sb = contracted(kB, 2);
  const auto smeared = blocks(PairOperator::attraction, sb, sa, {points, nullptr});
  const auto analytic = blocks(PairOperator::attraction, sb, sa, charges({{kC[0], kC[1], kC[2]}, 1.0, zeta}));
  const auto pointlike = blocks(PairOperator::attraction, sb, sa, charges({{kC[0], kC[1], kC[2]}, 1.0, 0.0}));
  EXPECT_LT(testing::max_difference(analytic, smeared), 1e-10);
  EXPECT_GT(testing::max_difference(analytic, pointlike), 1e-4);  // else a point nucleus would pass
}

TEST(PairBlocks, DipoleShiftsWithTheOriginByTheOverlap) {
  const TestShell sa = contracted(kA, 2), sb = contracted(kB, 1);
  const int size = sa.size() * sb.size();
  const double zero[3] = {0.0, 0.0, 0.0};
  const auto s = blocks(PairOperator::overlap, sb, sa);
  const auto m0 = blocks(PairOperator::moments, sb, sa, about(zero)), mc = blocks(PairOperator::moments, sb, sa, about(kC));
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

class Derivatives : public ::testing::TestWithParam<PairCase> {};

// Operator `op` between shells of the case's momenta at the given centres.
Blocks of(PairOperator op, PairCase c, double zeta = 0.0) {
  return [=](const double* a, const double* b, const double* centre) {
    const PointCharge q{{centre[0], centre[1], centre[2]}, 1.7, zeta};
    return blocks(op, contracted(b, c.lb), contracted(a, c.la), {std::span<const PointCharge>(&q, 1), centre});
  };
}

TEST_P(Derivatives, OverlapAndKineticMatchFiniteDifferences) {
  const int size = (2 * GetParam().la + 1) * (2 * GetParam().lb + 1);
  for (auto [value, derivative] : {std::pair{PairOperator::overlap, PairOperator::overlap_derivative},
                                   std::pair{PairOperator::kinetic, PairOperator::kinetic_derivative}}) {
    const auto got = of(derivative, GetParam())(kA, kB, kC);
    for (int k = 0; k < 3; ++k) {
      EXPECT_LT(testing::max_difference(part(got, k, size), finite_difference(of(value, GetParam()), 1, k)), 1e-9);
      std::vector<double> minus = part(got, k, size);
      for (double& x : minus) x = -x;  // d/dA = -d/dB
      EXPECT_LT(testing::max_difference(minus, finite_difference(of(value, GetParam()), 0, k)), 1e-9);
    }
  }
}

// Derivative blocks (op * 3 + k) of d/dB first, then of d/dA.
TEST_P(Derivatives, MomentsMatchFiniteDifferences) {
  const int size = (2 * GetParam().la + 1) * (2 * GetParam().lb + 1);
  const auto got = of(PairOperator::moment_derivative, GetParam())(kA, kB, kC);
  for (int which = 0; which < 2; ++which)
    for (int k = 0; k < 3; ++k) {
      const auto fd = finite_difference(of(PairOperator::moments, GetParam()), which, k);
      for (int op = 0; op < 9; ++op)
        EXPECT_LT(testing::max_difference(part(got, (which == 0 ? 27 : 0) + op * 3 + k, size), part(fd, op, size)), 1e-9)
            << op << " " << which << k;
    }
}

// Blocks d/dB, d/dA and d/dC of the attraction to one charge; their sum vanishes.
TEST_P(Derivatives, AttractionMatchesFiniteDifferencesForAllThreeCentres) {
  const int size = (2 * GetParam().la + 1) * (2 * GetParam().lb + 1);
  for (double zeta : {0.0, 3.0}) {
    const auto got = of(PairOperator::attraction_derivative, GetParam(), zeta)(kA, kB, kC);
    const int slot[3] = {1, 0, 2};  // centres A, B, C in the order of the blocks: B, A, C
    for (int which = 0; which < 3; ++which)
      for (int k = 0; k < 3; ++k)
        EXPECT_LT(testing::max_difference(part(got, 3 * slot[which] + k, size),
                                          finite_difference(of(PairOperator::attraction, GetParam(), zeta), which, k)),
                  1e-9)
            << which << k;
    for (int e = 0; e < 3 * size; ++e) EXPECT_NEAR(got[e] + got[3 * size + e] + got[6 * size + e], 0.0, 1e-12);
  }
}

INSTANTIATE_TEST_SUITE_P(ShellPairs, Derivatives,
                         ::testing::Values(PairCase{0, 0}, PairCase{1, 0}, PairCase{0, 2}, PairCase{2, 1},
                                           PairCase{3, 2}, PairCase{4, 3}, PairCase{5, 4}));

// Shells that share exponents across contractions and angular momenta (general contraction).
TestAtom general_atom(const double* c) {
  return TestAtom({TestShell(c, 0, {9.0, 2.0, 0.5}, {0.2, 0.5, 0.4}), TestShell(c, 0, {2.0, 0.5}, {-0.3, 1.0}),
                   TestShell(c, 1, {2.0, 0.5, 0.15}, {0.4, 0.6, 0.2}), TestShell(c, 2, {0.5}, {1.0}),
                   TestShell(c, 3, {0.8}, {1.0})});
}

TEST(PairBlocks, GeneralContractionGivesTheBlocksOfItsShellsOneByOne) {
  const double ca[3] = {0.2, -0.1, 0.4}, cb[3] = {1.1, 0.9, -0.6}, origin[3] = {0.3, 0.5, -0.2};
  const TestAtom a = general_atom(ca), b = general_atom(cb);
  const PointCharge q[2] = {{{ca[0], ca[1], ca[2]}, 6.0, 0.0}, {{cb[0], cb[1], cb[2]}, 1.0, 0.0}};
  for (PairOperator op :
       {PairOperator::overlap, PairOperator::kinetic, PairOperator::attraction, PairOperator::moments,
        PairOperator::overlap_derivative, PairOperator::kinetic_derivative,
        PairOperator::attraction_derivative, PairOperator::moment_derivative}) {
    const PairOperatorData d{std::span<const PointCharge>(q, op == PairOperator::attraction_derivative ? 1 : 2), origin};
    const int nb = pair_operator_blocks(op), nab = a.nfunc * b.nfunc;
    std::vector<double> shells(nb * nab, 0.0);
    for (size_t sb = 0; sb < b.shells.size(); ++sb)
      for (size_t sa = 0; sa < a.shells.size(); ++sa) {
        const int mb = b.shells[sb].size(), ma = a.shells[sa].size();
        const auto blk = blocks(op, b.shells[sb], a.shells[sa], d);
        for (int k = 0; k < nb; ++k)
          for (int i = 0; i < mb; ++i)
            for (int j = 0; j < ma; ++j)
              shells[k * nab + (b.shell_first[sb] + i) * a.nfunc + a.shell_first[sa] + j] = blk[(k * mb + i) * ma + j];
      }
    EXPECT_LT(testing::max_difference(blocks(op, b, a, d), shells), 1e-13) << static_cast<int>(op);
  }
}

TEST(PairBlocks, ScreeningDropsFarExponentPairsOnly) {
  const double ca[3] = {0.0, 0.0, 0.0}, cb[3] = {0.0, 0.0, 4.0};
  const TestAtom a = general_atom(ca), b = general_atom(cb);
  const PairOperatorData d;
  const int n = a.nfunc * b.nfunc;
  std::vector<double> full(n, 0.0), screened(n, 0.0);
  add_pair_blocks(PairOperator::overlap, b.view(), a.view(), 0.0, d, full.data());  // limit 50
  add_pair_blocks(PairOperator::overlap, b.view(), a.view(), 1e-6, d, screened.data());
  EXPECT_DOUBLE_EQ(pair_screening_limit(0.0), 50.0);
  const double dropped = testing::max_difference(full, screened);
  EXPECT_GT(dropped, 0.0);   // some pairs fell under the threshold ...
  EXPECT_LT(dropped, 1e-5);  // ... and they were small
  // The tight pair 9.0/9.0 at 4 bohr has X = 72 > 50: nothing from it even at epsilon 0.
  const TestAtom tight_a({TestShell(ca, 0, {9.0}, {1.0})}), tight_b({TestShell(cb, 0, {9.0}, {1.0})});
  double s = 0.0;
  add_pair_blocks(PairOperator::overlap, tight_b.view(), tight_a.view(), 0.0, d, &s);
  EXPECT_EQ(s, 0.0);
}

}  // namespace
}  // namespace ostrel
