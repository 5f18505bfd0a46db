// Packed matrices over atom pairs and the gradient contractions.
#include "integrals/one_electron_gradient.hpp"
#include "generated/psi4_reference_data.hpp"
#include "support/matrices.hpp"
#include "test_shells.hpp"

namespace ostrel {
namespace {

// A Psi4 reference molecule (def2-SVP water unless given) at the given coordinates, with its nuclei.
struct Molecule3 : testing::TestBasis {
  std::vector<PointCharge> nuclei;
  explicit Molecule3(const std::vector<double>& xyz, const psi4_reference::RefCase& ref = psi4_reference::kSvp)
      : TestBasis(ref.shells, static_cast<int>(ref.nshell), xyz.data(), 3) {
    for (int a = 0; a < 3; ++a)
      nuclei.push_back({{xyz[3 * a], xyz[3 * a + 1], xyz[3 * a + 2]}, psi4_reference::kCharges[a], 0.0});
  }
  int nbf() const { return nfunc(); }
};

std::vector<double> reference_xyz() {
  return std::vector<double>(psi4_reference::kCoordinates, psi4_reference::kCoordinates + 9);
}

using IntegralTest = testing::RuntimeTest;

// S, T, V and the moments about the origin of water in def2-SVP and of a basis with g
// functions, against Psi4 1.3.2 (MintsHelper, spherical functions; generated/psi4_reference_data.hpp).
// Agreement is at the 1e-14 level; the tolerance leaves room for other compilers.
TEST_F(IntegralTest, PackedMatricesMatchPsi4AndSplitOverNodes) {
  for (const psi4_reference::RefCase* ref : {&psi4_reference::kSvp, &psi4_reference::kHighL}) {
    const Molecule3 m(reference_xyz(), *ref);
    ASSERT_EQ(m.nbf(), ref->nbf);
    const long n2 = packed_size(m.nbf());
    const double origin[3] = {0.0, 0.0, 0.0};
    PairOperatorData data;
    data.charges = m.nuclei;
    data.origin = origin;
    const PairOperator ops[4] = {PairOperator::overlap, PairOperator::kinetic, PairOperator::attraction,
                                 PairOperator::moments};
    for (int o = 0; o < 4; ++o) {
      const int nb = pair_operator_blocks(ops[o]);
      std::vector<double> whole(nb * n2, 0.0), shared(nb * n2, 0.0);
      add_packed_matrices(ops[o], m.set(), 1e-15, data, 0, 1, whole.data());
      for (int node = 0; node < 2; ++node) add_packed_matrices(ops[o], m.set(), 1e-15, data, node, 2, shared.data());
      EXPECT_EQ(whole, shared);
      for (int k = 0; k < nb; ++k) {
        const std::vector<double> mine(whole.begin() + k * n2, whole.begin() + (k + 1) * n2);
        EXPECT_LT(testing::max_difference(mine, std::vector<double>(ref->matrix[o + k], ref->matrix[o + k] + n2)), 1e-12)
            << ref->nbf << " functions, operator " << o << " block " << k;
      }
    }
  }
  const Molecule3 m(reference_xyz());
  PairOperatorData data;
  EXPECT_FATAL(add_packed_matrices(PairOperator::overlap_derivative, m.set(), 0.0, data, 0, 1, nullptr),
               "derivative operator");
}

TEST_F(IntegralTest, AtomsWithoutFunctionsOnlyAddTheirCharge) {
  const Molecule3 m(reference_xyz());
  // The same water with a function-less centre (a point charge) inserted as atom 1.
  const AtomFunctions none{m.views[0].centre, 0, nullptr, 0, nullptr, nullptr, nullptr, 0};
  const std::vector<AtomFunctions> views = {m.views[0], none, m.views[1], m.views[2]};
  const std::vector<int> first = {m.first[0], m.first[1], m.first[1], m.first[2], m.first[3]};
  const AtomSet with_ghost{4, views.data(), first.data()};
  const long n2 = packed_size(m.nbf());
  std::vector<double> plain(n2, 0.0), ghost(n2, 0.0), charge(n2, 0.0);
  std::vector<PointCharge> nuclei = m.nuclei;
  const PointCharge extra{{0.7, 0.4, -1.1}, 0.5, 0.0};
  nuclei.push_back(extra);
  PairOperatorData all, one;
  all.charges = nuclei;
  one.charges = std::span<const PointCharge>(&extra, 1);
  add_packed_matrices(PairOperator::attraction, m.set(), 0.0, all, 0, 1, plain.data());
  add_packed_matrices(PairOperator::attraction, with_ghost, 0.0, all, 0, 1, ghost.data());
  for (long i = 0; i < n2; ++i) EXPECT_NEAR(ghost[i], plain[i], 1e-14);
  // and the extra charge's share is what a lone charge gives
  std::vector<double> without(n2, 0.0);
  PairOperatorData water;
  water.charges = m.nuclei;
  add_packed_matrices(PairOperator::attraction, m.set(), 0.0, water, 0, 1, without.data());
  add_packed_matrices(PairOperator::attraction, m.set(), 0.0, one, 0, 1, charge.data());
  for (long i = 0; i < n2; ++i) EXPECT_NEAR(plain[i], without[i] + charge[i], 1e-13);
}

std::vector<double> some_density(int n) {
  std::vector<double> d(packed_size(n));
  for (size_t i = 0; i < d.size(); ++i) d[i] = 0.3 * std::sin(0.7 * i + 0.2) + (i % 7 == 0 ? 0.5 : 0.0);
  return d;
}

// Central-difference gradient of trace(D X(R)) where X is the operator's block `block`.
std::vector<double> numeric_gradient(PairOperator op, int block, const std::vector<double>& d) {
  std::vector<double> g(9);
  const double h = 1e-4;
  for (int c = 0; c < 9; ++c) {
    double e[2];
    for (int side = 0; side < 2; ++side) {
      auto xyz = reference_xyz();
      xyz[c] += side == 0 ? h : -h;
      const Molecule3 m(xyz);
      const double origin[3] = {0.2, -0.3, 0.1};
      PairOperatorData data;
      data.charges = m.nuclei;
      data.origin = origin;
      const long n2 = packed_size(m.nbf());
      std::vector<double> x(pair_operator_blocks(op) * n2, 0.0);
      add_packed_matrices(op, m.set(), 0.0, data, 0, 1, x.data());
      e[side] = testing::packed_trace(m.nbf(), d.data(), x.data() + block * n2);
    }
    g[c] = (e[0] - e[1]) / (2 * h);
  }
  return g;
}

TEST_F(IntegralTest, GradientContractionsMatchFiniteDifferences) {
  const Molecule3 m(reference_xyz());
  const auto d = some_density(m.nbf());
  std::vector<double> gs(9, 0.0), gt(9, 0.0), gv(9, 0.0), rep(9, 0.0);
  overlap_gradient(m.set(), 0.0, d.data(), 0, 1, gs.data());
  kinetic_gradient(m.set(), 0.0, d.data(), 0, 1, gt.data());
  // Two node shares summed, with a repulsion vector that must be added exactly once.
  for (int i = 0; i < 9; ++i) rep[i] = 0.01 * (i + 1);
  for (int node = 0; node < 2; ++node)
    attraction_gradient(m.set(), m.nuclei, 0.0, d.data(), rep.data(), node, 2, gv.data());
  const auto ns = numeric_gradient(PairOperator::overlap, 0, d);
  const auto nt = numeric_gradient(PairOperator::kinetic, 0, d);
  const auto nv = numeric_gradient(PairOperator::attraction, 0, d);
  for (int c = 0; c < 9; ++c) {
    EXPECT_NEAR(gs[c], ns[c], 1e-7) << c;
    EXPECT_NEAR(gt[c], nt[c], 1e-6) << c;
    EXPECT_NEAR(gv[c] - rep[c], nv[c], 1e-6) << c;
  }
}

TEST_F(IntegralTest, DipoleDerivativesMatchFiniteDifferences) {
  const Molecule3 m(reference_xyz());
  const auto d = some_density(m.nbf());
  const double origin[3] = {0.2, -0.3, 0.1};
  std::vector<double> out(27, 0.0);
  dipole_derivatives(m.set(), origin, 0.0, d.data(), 0, 1, out.data());
  for (int k = 0; k < 3; ++k) {
    const auto num = numeric_gradient(PairOperator::moments, k, d);
    for (int c = 0; c < 9; ++c) EXPECT_NEAR(out[c * 3 + k], num[c], 1e-7) << k << " " << c;
  }
}

}  // namespace
}  // namespace ostrel
