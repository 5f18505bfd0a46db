// Two- and three-centre Coulomb integrals against Psi4 1.3.2 (MintsHelper ao_eri with
// def2-universal-jfit = Psi4's def2-svp-jfit, def2-SVP and def2-TZVP, spherical functions;
// data from tools/coulomb_psi4_reference.py). The fitting functions are overlap-normalised
// on both sides here.
#include "integrals/coulomb_blocks.hpp"
#include "integrals/coulomb_fit.hpp"
#include "support/matrices.hpp"
#include "reference_bases.hpp"

namespace ostrel {
namespace {

using namespace psi4_coulomb;
using testing::TestBasis;

using CoulombPsi4 = testing::ReferenceBases;

// (P|mn) over the whole molecule, P-major with mn packed, as the reference stores it.
std::vector<double> all_three_centre(const TestBasis& orb, const TestBasis& aux,
                                     Interaction kind = Interaction::coulomb) {
  const int n = orb.nfunc(), m = aux.nfunc();
  const long n2 = static_cast<long>(n) * (n + 1) / 2;
  std::vector<double> out(m * n2, 0.0);
  for (size_t ia = 0; ia < orb.views.size(); ++ia)
    for (size_t ib = 0; ib <= ia; ++ib)
      for (size_t ic = 0; ic < aux.views.size(); ++ic) {
        const auto &a = orb.views[ia], &b = orb.views[ib], &c = aux.views[ic];
        std::vector<double> block(static_cast<size_t>(c.nfunc) * b.nfunc * a.nfunc, 0.0);
        three_centre_block(kind, b, a, c, 50.0, block.data());
        for (int k = 0; k < c.nfunc; ++k)
          for (int i = 0; i < b.nfunc; ++i)
            for (int j = 0; j < a.nfunc; ++j) {
              const long row = orb.first[ia] + j, col = orb.first[ib] + i;
              if (col > row) continue;
              out[(aux.first[ic] + k) * n2 + row * (row + 1) / 2 + col] = block[(k * b.nfunc + i) * a.nfunc + j];
            }
      }
  return out;
}

TEST_F(CoulombPsi4, TwoCentreMetricOfTheUniversalFittingSet) {
  const int m = aux.nfunc();
  ASSERT_EQ(m, 71);
  double worst = 0.0;
  for (int ik = 0; ik < 3; ++ik)
    for (int il = 0; il <= ik; ++il) {
      const auto &k = aux.views[ik], &l = aux.views[il];
      std::vector<double> block(static_cast<size_t>(k.nfunc) * l.nfunc, 0.0);
      two_centre_block(Interaction::coulomb, k, l, block.data());
      for (int i = 0; i < k.nfunc; ++i)
        for (int j = 0; j < l.nfunc; ++j) {
          const long row = aux.first[ik] + i, col = aux.first[il] + j;
          if (col > row) continue;
          worst = std::max(worst, std::fabs(block[i * l.nfunc + j] - kJfitMetric[row * (row + 1) / 2 + col]));
        }
    }
  EXPECT_LT(worst, 1e-10);
}

TEST_F(CoulombPsi4, ThreeCentreIntegralsWithDef2Svp) {
  ASSERT_EQ(orb.nfunc(), 24);
  const std::vector<double> mine = all_three_centre(orb, aux);
  ASSERT_EQ(mine.size(), sizeof(kSvpThreeCentre) / sizeof(double));
  EXPECT_LT(testing::max_difference(mine, std::vector<double>(std::begin(kSvpThreeCentre), std::end(kSvpThreeCentre))),
            1e-10);
}

TEST_F(CoulombPsi4, ThreeCentreIntegralsWithDef2TzvpReachingF) {
  const TestBasis tzvp(kTzvpShells, kTzvpShellCount, kCoordinates, 3);
  ASSERT_EQ(tzvp.nfunc(), 43);
  const std::vector<double> mine = all_three_centre(tzvp, aux);
  ASSERT_EQ(static_cast<int>(mine.size()), kTzvpThreeCentreSize);
  double worst = 0.0;
  int compared = 0;
  for (int i = 0; i < kTzvpThreeCentreSize; i += kTzvpThreeCentreStride, ++compared)
    worst = std::max(worst, std::fabs(mine[i] - kTzvpThreeCentre[compared]));
  EXPECT_EQ(compared, static_cast<int>(sizeof(kTzvpThreeCentre) / sizeof(double)));
  EXPECT_LT(worst, 1e-10);
}

TEST_F(CoulombPsi4, OverlapMetricAndThreeIndexOverlap) {
  const int m = aux.nfunc();
  std::vector<double> s(m * (m + 1) / 2, 0.0);
  fit_metric(Interaction::overlap, aux.set(), 0, 1, s.data());
  EXPECT_LT(testing::max_difference(s, std::vector<double>(kJfitOverlap, kJfitOverlap + s.size())), 1e-12);
  const std::vector<double> mine = all_three_centre(orb, aux, Interaction::overlap);
  double worst = 0.0;
  int compared = 0;
  for (size_t i = 0; i < mine.size(); i += 5, ++compared)
    worst = std::max(worst, std::fabs(mine[i] - kSvpThreeOverlap[compared]));
  EXPECT_EQ(compared, static_cast<int>(sizeof(kSvpThreeOverlap) / sizeof(double)));
  EXPECT_LT(worst, 1e-11);
}

}  // namespace
}  // namespace ostrel
