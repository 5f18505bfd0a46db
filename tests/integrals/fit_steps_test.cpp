// The metric step, the set-up of the three-centre work and the per-iteration steps of the
// Coulomb fit, through the store. Reference energies: numpy over Psi4 1.3.2 integrals (see
// coulomb_psi4_reference_data.hpp).
#include "integrals/coulomb_blocks.hpp"
#include "integrals/fit_driver.hpp"
#include "integrals/fit_setup.hpp"
#include "support/matrices.hpp"
#include "reference_bases.hpp"

namespace ostrel {
namespace {

using namespace psi4_coulomb;
using testing::TestBasis;

using FitSteps = testing::ReferenceBases;

double largest_deviation_from_product(const std::vector<double>& a, const std::vector<double>& b,
                                      const std::vector<double>& target, int n) {
  double worst = 0.0;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      double s = 0.0;
      for (int k = 0; k < n; ++k) s += a[i * n + k] * b[k * n + j];
      worst = std::max(worst, std::fabs(s - target[i * n + j]));
    }
  return worst;
}

TEST_F(FitSteps, MetricStepInvertsTheCoulombMetricWithNothingDropped) {
  const int m = aux.nfunc(), m2 = m * (m + 1) / 2;
  int dropped = -1;
  const std::string out =
      testing::captured_stdout([&] { dropped = fit_metric_inverse(aux.set(), kFitMetricFloor, "VMM", "s"); });
  EXPECT_EQ(dropped, 0);
  EXPECT_NE(out.find(", M=0\n"), std::string::npos) << out;
  const auto vinv = testing::unpack(m, testing::get_reals("VMM", m2, 0)),
             vhalf = testing::unpack(m, testing::get_reals("VMM", m2, m2)),
             v = testing::unpack(m, testing::get_reals("VMM", m2, 2 * m2));
  std::vector<double> one(m * m, 0.0);
  for (int i = 0; i < m; ++i) one[i * m + i] = 1.0;
  EXPECT_LT(largest_deviation_from_product(vinv, v, one, m), 1e-8);
  EXPECT_LT(largest_deviation_from_product(vhalf, vhalf, vinv, m), 1e-7);
  for (int i = 0; i < m; ++i) EXPECT_NEAR(v[i * m + i], kJfitMetric[i * (i + 1) / 2 + i], 1e-10);
  // the moments record: the first block holds the integrals of the functions
  const auto s = testing::get_reals("s", 4 * m);
  std::vector<double> direct(4 * m);
  fit_moments(aux.set(), direct.data());
  for (int k = 0; k < 4 * m; ++k) EXPECT_EQ(s[k], direct[k]);
}

TEST_F(FitSteps, NearlyDependentFittingFunctionsAreDroppedNotInverted) {
  // two s functions on one centre with exponents 1 and 1 + 1e-6: V has one eigenvalue ~1e-13
  const double centre[3] = {0.0, 0.0, 0.0};
  testing::TestAtom atom({testing::TestShell(centre, 0, {1.0}, {1.0}), testing::TestShell(centre, 0, {1.000001}, {1.0}),
                          testing::TestShell(centre, 1, {0.5}, {1.0})});
  const AtomFunctions view = atom.view();
  const int first[2] = {0, 5};
  const AtomSet set{1, &view, first};
  const std::string out = testing::captured_stdout([&] { EXPECT_EQ(fit_metric_inverse(set, 1e-10, "VMM", "s"), 1); });
  EXPECT_NE(out.find(", M=1\n"), std::string::npos) << out;
  const int m = 5, m2 = 15;
  const auto vinv = testing::unpack(m, testing::get_reals("VMM", m2, 0)),
             v = testing::unpack(m, testing::get_reals("VMM", m2, 2 * m2));
  // a generalised inverse: V^-1 V V^-1 = V^-1, with no huge entries from the dropped direction
  std::vector<double> vv(m * m, 0.0);
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < m; ++j)
      for (int k = 0; k < m; ++k) vv[i * m + j] += vinv[i * m + k] * v[k * m + j];
  EXPECT_LT(largest_deviation_from_product(vv, vinv, vinv, m), 1e-6);
  EXPECT_LT(testing::max_difference(vinv, std::vector<double>(vinv.size(), 0.0)), 1e3);
  // with lambda_min below every eigenvalue nothing is dropped
  testing::captured_stdout([&] { EXPECT_EQ(fit_metric_inverse(set, 1e-16, "VMM", "s"), 0); });
}

// Two water molecules far apart.
std::vector<double> two_waters(double separation) {
  std::vector<double> x(kCoordinates, kCoordinates + 9);
  for (int i = 0; i < 9; ++i) x.push_back(kCoordinates[i] + (i % 3 == 0 ? separation : 0.0));
  return x;
}

TEST_F(FitSteps, PairListsDropDistantAtomsAndTheCountsArePrinted) {
  const std::vector<double> x = two_waters(60.0);
  // six atoms: the second molecule is the first one shifted
  auto doubled = [&](const psi4_coulomb::RefShell* list, int count) {
    std::vector<psi4_coulomb::RefShell> shells(list, list + count);
    for (int s = 0; s < count; ++s) shells.push_back(list[s]), shells.back().atom += 3;
    return TestBasis(shells.data(), 2 * count, x.data(), 6);
  };
  const TestBasis orb2 = doubled(kSvpShells, kSvpShellCount), aux2 = doubled(kJfitShells, kJfitShellCount);
  int groups[6], lists[36];
  const std::string out = testing::captured_stdout([&] {
    fit_setup(orb2.set(), aux2.set(), x.data(), kFitCutoff, false, {"est", "groups", "lists"}, groups, lists);
  });
  for (int a = 0; a < 6; ++a) {
    const int lo = a < 3 ? 0 : 3;
    for (int y = 0; y < 3; ++y) EXPECT_EQ(lists[a * 6 + y], lo + y);
    EXPECT_EQ(lists[a * 6 + 3], -1);
  }
  EXPECT_EQ(out.find("on node"), std::string::npos);  // one node: totals only
  EXPECT_NE(out.find("integrals total\n"), std::string::npos);
  // half of the atom pairs survive: sparsity n n m / integrals = 2
  EXPECT_NE(out.find(" sparsity=2.0\n"), std::string::npos) << out;
  EXPECT_EQ(testing::get_ints("lists"), std::vector<int>(lists, lists + 36));
}

// A chain with a heavy end: groups of equal atom counts leave the heavy atoms on one node;
// balancing evens the work out to within one light atom, on two and three nodes.
TEST_F(FitSteps, BalancedGroupsShareTheWorkEvenly) {
  const int natom = 30;
  std::vector<double> x(3 * natom, 0.0), work(natom);
  for (int i = 0; i < natom; ++i) {
    x[3 * i] = 1.5 * i;
    work[i] = i < 10 ? 10.0 : 1.0;
  }
  for (int ngroups : {2, 3}) {
    std::vector<int> group(natom);
    group_atoms(natom, x.data(), ngroups, group.data());
    balance_groups(natom, x.data(), work.data(), ngroups, group.data());
    std::vector<double> load(ngroups, 0.0);
    for (int i = 0; i < natom; ++i) {
      ASSERT_TRUE(group[i] >= 0 && group[i] < ngroups);
      load[group[i]] += work[i];
    }
    const auto [lo, hi] = std::minmax_element(load.begin(), load.end());
    EXPECT_LE(*hi - *lo, 1.0) << ngroups << " groups";
  }
}

TEST_F(FitSteps, ShellPairEstimatesBoundTheThreeCentreIntegrals) {
  const int nshell = kSvpShellCount;
  std::vector<double> est(nshell * (nshell + 1) / 2);
  shell_pair_estimates(orb.set(), kFitCutoff, est.data());
  // Schwarz: |(k|mu nu)| <= sqrt((k|k)) sqrt((mu nu|mu nu)); (k|k) from the metric diagonal
  int si = 0;
  for (int ia = 0; ia < 3; ++ia)
    for (int sa = 0; sa < orb.views[ia].nshell; ++sa, ++si) {
      int sj = 0;
      for (int ib = 0; ib <= ia; ++ib)
        for (int sb = 0; sb < orb.views[ib].nshell && sj <= si; ++sb, ++sj) {
          const double bound = est[si * (si + 1) / 2 + sj];
          EXPECT_GT(bound, 0.0);
          for (int ic = 0; ic < 3; ++ic) {
            const auto &a = orb.views[ia], &b = orb.views[ib], &c = aux.views[ic];
            std::vector<double> block(c.nfunc * b.nfunc * a.nfunc, 0.0), vkk(c.nfunc * c.nfunc, 0.0);
            three_centre_block(Interaction::coulomb, b, a, c, 50.0, block.data());
            two_centre_block(Interaction::coulomb, c, c, vkk.data());
            for (int k = 0; k < c.nfunc; ++k)
              for (int i = b.shell_first[sb]; i < b.shell_first[sb] + 2 * b.shell_l[sb] + 1; ++i)
                for (int j = a.shell_first[sa]; j < a.shell_first[sa] + 2 * a.shell_l[sa] + 1; ++j)
                  EXPECT_LE(std::fabs(block[(k * b.nfunc + i) * a.nfunc + j]),
                            bound * std::sqrt(vkk[k * c.nfunc + k]) * (1 + 1e-10));
          }
        }
    }
}

TEST_F(FitSteps, TwoCentreFitRecordHoldsEachOwnPairAgainstBothAtomsFunctions) {
  int groups[3], lists[9];
  ::testing::internal::CaptureStdout();
  fit_setup(orb.set(), aux.set(), kCoordinates, kFitCutoff, true, {nullptr, nullptr, nullptr, "fithead", "fit"}, groups,
            lists);
  ::testing::internal::GetCapturedStdout();
  // every atom pair survives in water; one node owns all atoms
  long expected = 0;
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b)
      expected += static_cast<long>(aux.views[b].nfunc + (a != b ? aux.views[a].nfunc : 0)) * orb.views[a].nfunc *
                  orb.views[b].nfunc;
  EXPECT_EQ(store_size("fit"), expected * static_cast<long>(sizeof(double)));
  // the block of (A, B) = (0, 1), after (0, 0)
  const auto &a = orb.views[0], &b = orb.views[1];
  const long off00 = static_cast<long>(aux.views[0].nfunc) * a.nfunc * a.nfunc;
  const long nab = static_cast<long>(a.nfunc) * b.nfunc;
  const auto stored = testing::get_reals("fit", (aux.views[1].nfunc + aux.views[0].nfunc) * nab, off00);
  std::vector<double> direct(stored.size(), 0.0);
  three_centre_block(Interaction::coulomb, a, b, aux.views[1], 50.0, direct.data());
  three_centre_block(Interaction::coulomb, a, b, aux.views[0], 50.0, direct.data() + aux.views[1].nfunc * nab);
  for (size_t k = 0; k < stored.size(); ++k) EXPECT_NEAR(stored[k], direct[k], 1e-12);
  const std::vector<int> head = testing::get_ints("fithead");
  EXPECT_EQ((std::vector<int>{head[0], head[1], head[2 + 3], head[2 + 4 + 3]}),
            (std::vector<int>{3, 3, orb.nfunc(), aux.nfunc()}));
}

}  // namespace
}  // namespace ostrel
