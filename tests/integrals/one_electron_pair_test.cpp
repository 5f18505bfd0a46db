// The atom-pair loop over exponent pairs against the contracted shell-pair kernels.
#include "integrals/one_electron_matrices.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "integrals/one_electron_kernels.hpp"
#include "support/matrices.hpp"
#include "test_shells.hpp"

namespace ostrel {
namespace {

using testing::TestAtom;
using testing::TestShell;

// Shells that share exponents across contractions and angular momenta (general contraction).
TestAtom general_atom(const double* c) {
  return TestAtom({TestShell(c, 0, {9.0, 2.0, 0.5}, {0.2, 0.5, 0.4}),
                   TestShell(c, 0, {2.0, 0.5}, {-0.3, 1.0}),
                   TestShell(c, 1, {2.0, 0.5, 0.15}, {0.4, 0.6, 0.2}), TestShell(c, 2, {0.5}, {1.0}),
                   TestShell(c, 3, {0.8}, {1.0})});
}

// Reference: the same blocks from the contracted shell-pair kernels.
std::vector<double> by_shells(PairOperator op, const TestAtom& b, const TestAtom& a,
                              const PairOperatorData& d) {
  const int nb = pair_operator_blocks(op), nab = a.nfunc * b.nfunc;
  std::vector<double> out(nb * nab, 0.0), blk(54 * 49);
  for (size_t sb = 0; sb < b.shells.size(); ++sb)
    for (size_t sa = 0; sa < a.shells.size(); ++sa) {
      const Shell vb = b.shells[sb].view(), va = a.shells[sa].view();
      const int n = b.shells[sb].size() * a.shells[sa].size();
      switch (op) {
        case PairOperator::overlap:
          overlap_shell_pair(vb, va, blk.data());
          break;
        case PairOperator::kinetic:
          kinetic_shell_pair(vb, va, blk.data());
          break;
        case PairOperator::attraction:
          nuclear_attraction_shell_pair(vb, va, d.charges, blk.data());
          break;
        case PairOperator::moments:
          moment_shell_pair(vb, va, d.origin, blk.data());
          break;
        case PairOperator::overlap_derivative:
          overlap_derivative_shell_pair(vb, va, blk.data());
          break;
        case PairOperator::kinetic_derivative:
          kinetic_derivative_shell_pair(vb, va, blk.data());
          break;
        case PairOperator::attraction_derivative:
          nuclear_attraction_derivative_shell_pair(vb, va, d.charges[0], blk.data(), blk.data() + 3 * n,
                                                   blk.data() + 6 * n);
          break;
        case PairOperator::moment_derivative:
          moment_derivative_shell_pair(vb, va, d.origin, blk.data(), blk.data() + 27 * n);
          break;
      }
      const int na = a.shells[sa].size();
      for (int k = 0; k < nb; ++k)
        for (int i = 0; i < b.shells[sb].size(); ++i)
          for (int j = 0; j < na; ++j)
            out[k * nab + (b.shell_first[sb] + i) * a.nfunc + a.shell_first[sa] + j] =
                blk[k * n + i * na + j];
    }
  return out;
}

TEST(AtomPairBlocks, ExponentPairLoopReproducesTheShellKernels) {
  const double ca[3] = {0.2, -0.1, 0.4}, cb[3] = {1.1, 0.9, -0.6}, origin[3] = {0.3, 0.5, -0.2};
  const TestAtom a = general_atom(ca), b = general_atom(cb);
  const PointCharge q[2] = {{{ca[0], ca[1], ca[2]}, 6.0, 0.0}, {{cb[0], cb[1], cb[2]}, 1.0, 0.0}};
  for (PairOperator op :
       {PairOperator::overlap, PairOperator::kinetic, PairOperator::attraction, PairOperator::moments,
        PairOperator::overlap_derivative, PairOperator::kinetic_derivative,
        PairOperator::attraction_derivative, PairOperator::moment_derivative}) {
    PairOperatorData d;
    d.charges = op == PairOperator::attraction_derivative ? std::span<const PointCharge>(q, 1)
                                                          : std::span<const PointCharge>(q, 2);
    d.origin = origin;
    const auto ref = by_shells(op, b, a, d);
    std::vector<double> got(ref.size(), 0.0);
    add_pair_blocks(op, b.view(), a.view(), 1e-30, d, got.data());
    EXPECT_LT(testing::max_difference(got, ref), 1e-13) << static_cast<int>(op);
  }
}

TEST(AtomPairBlocks, ScreeningDropsFarExponentPairsOnly) {
  const double ca[3] = {0.0, 0.0, 0.0}, cb[3] = {0.0, 0.0, 4.0};
  const TestAtom a = general_atom(ca), b = general_atom(cb);
  const PairOperatorData d;
  const int n = a.nfunc * b.nfunc;
  std::vector<double> full(n, 0.0), screened(n, 0.0);
  add_pair_blocks(PairOperator::overlap, b.view(), a.view(), 0.0, d, full.data());  // limit 50
  add_pair_blocks(PairOperator::overlap, b.view(), a.view(), 1e-6, d, screened.data());
  EXPECT_DOUBLE_EQ(pair_screening_limit(0.0), 50.0);
  double dropped = 0.0, kept_error = 0.0;
  for (int i = 0; i < n; ++i) {
    dropped = std::max(dropped, std::fabs(full[i] - screened[i]));
    if (screened[i] != 0.0) kept_error = std::max(kept_error, std::fabs(full[i] - screened[i]));
  }
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
