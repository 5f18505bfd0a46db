#include "guess_fixture.hpp"
#include "integrals/basis_adapter.hpp"
#include "scf/guess/atomic_coulomb.hpp"
#include "support/matrices.hpp"

namespace ostrel {
namespace {

// Free-atom solutions against Psi4 1.x, def2-SVP (spherical), exact Coulomb (scf_type pk),
// 300 radial x 590 spherical grid points, e_convergence 1e-11: the total energy and the
// lowest orbital energies.
// - Closed-shell atoms are spherical as they stand: plain RKS.
// - H: one electron shared evenly by both spins of the 1s orbital; UKS on H- with the 1s
//   occupations of both spins set to 1/2 (frac_occ, frac_val).
// - C, N: open p shells spread evenly over the three p orbitals and both spins; UKS on the
//   anion with five doubly occupied orbitals and the 2p occupations of both spins set to the
//   fraction (frac_occ 3,4,5,-3,-4,-5; frac_start 3, SAD start): C(4-) with 1/3, N(3-) with 1/2.
struct AtomReference {
  const char* line;
  const char* functional;
  int multiplicity;
  double energy;
  std::vector<double> orbitals;
};
const AtomReference kAtoms[] = {
    {" 2 0 0 0\n", "PBE", 1, -2.8844641572071295, {-0.565160907637082}},
    {" 2 0 0 0\n", "BLYP", 1, -2.8978531635557045, {-0.5691955732961204}},
    {" 4 0 0 0\n", "PBE", 1, -14.611770811109055, {-3.89756193409771}},
    {" 10 0 0 0\n", "PBE", 1, -128.68786704256934, {-30.46002075232375, -1.2644545709106225, -0.44756502137585696}},
    {" 10 0 0 0\n", "BLYP", 1, -128.78981390108802, {-30.49685844234245}},
    {" 12 0 0 0\n", "BLYP", 1, -200.0066777544361, {-46.28236504155382}},
    {" 18 0 0 0\n", "PBE", 1, -527.1415270419084, {-114.11497432417177}},
    {" 1 0 0 0\n", "PBE", 2, -0.45704516078095514, {-0.23119693840313854}},
    {" 6 0 0 0\n", "PBE", 1, -37.69945804692048, {-10.028333938895978, -0.4859205172747614, -0.18387274705834034}},
    {" 7 0 0 0\n", "PBE", 2, -54.348069841374034, {-14.108968405757858, -0.6492453302536332, -0.23969719780746038}},
};

TEST_F(Guess, FreeAtomsMatchPsi4) {
  for (const AtomReference& r : kAtoms) {
    SCOPED_TRACE(std::string(r.line) + r.functional);
    prepare(r.line, r.functional, false, 0, r.multiplicity);
    const std::string out = atoms();
    EXPECT_EQ(out.find("converge"), std::string::npos) << out;
    const std::vector<double> e = testing::get_reals(kAtomicTotalsRecord);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_NEAR(e[0], r.energy, 1e-7);
    const std::vector<double> orbitals = testing::get_reals(kAtomicEnergiesRecord);
    for (std::size_t k = 0; k < r.orbitals.size(); ++k) EXPECT_NEAR(orbitals[k], r.orbitals[k], 1e-7) << k;
    restart();
  }
}

// Iodine with the def2 core potential (28 core electrons) and one more p electron through the
// element table: the closed-shell iodide 4s2 4p6 4d10 5s2 5p6. Psi4, RKS PBE def2-SVP with its
// ECP on I- (charge -1), settings as above.
TEST_F(Guess, CorePotentialAtomMatchesRestrictedKohnSham) {
  prepare(" 53 0 0 0\n", "PBE", true, 0, 2, "$atoms occupation(531)=24 $end\n");
  const std::string out = atoms();
  EXPECT_EQ(out.find("converge"), std::string::npos) << out;
  EXPECT_NEAR(testing::get_reals(kAtomicTotalsRecord)[0], -297.75977243624544, 1e-6);
  // Minimal basis after the core: 4s, 5s, 4p, 5p, 4d, of which 4s, 4p, 4d are core.
  const std::vector<int> counts = testing::get_ints(kAtomicCountsRecord);
  EXPECT_EQ(counts[0], 2 + 6 + 5);
  EXPECT_EQ(counts[1], 1 + 3 + 5);
  EXPECT_NEAR(testing::get_reals(kAtomicEnergiesRecord)[0], -6.305144491513977, 1e-6);
}

// Free atoms carry no exact exchange; the Hartree-Fock share becomes Slater exchange.
TEST_F(Guess, ExactExchangeShareBecomesLocalExchangeInTheAtoms) {
  prepare(" 10 0 0 0\n", "S");
  atoms();
  const double slater = testing::get_reals(kAtomicTotalsRecord)[0];
  restart();
  prepare(" 10 0 0 0\n", "HF");
  const std::string out = atoms();
  EXPECT_EQ(out.find("converge"), std::string::npos) << out;
  EXPECT_EQ(testing::get_reals(kAtomicTotalsRecord)[0], slater);
  EXPECT_LT(slater, -127.0);
}

// Heavier and open-shell atoms converge and hold their electrons: tr(D S) per atom.
TEST_F(Guess, OpenShellAndHeavyAtomsConvergeWithTheirElectrons) {
  prepare(" 6 0 0 0\n 7 3 0 0\n 26 0 3 0\n 35 0 0 3\n 53 3 3 3\n 29 -3 0 0\n", "BLYP", true, 0, 1);
  const std::string out = atoms();
  EXPECT_EQ(out.find("converge"), std::string::npos) << out;
  const double electrons[6] = {6, 7, 26, 35, 53 - 28, 29};
  const testing::LoadedBasis loaded("Basis");
  const BasisViews views(loaded.basis, loaded.mol);
  const std::vector<double> big = testing::get_reals("atomic_D");
  long at = 0;
  for (int a = 0; a < 6; ++a) {
    const int nf = views.atoms.atoms[a].nfunc;
    const int first[2] = {0, nf};
    const AtomSet one{1, &views.atoms.atoms[a], first};
    std::vector<double> s(static_cast<std::size_t>(nf) * (nf + 1) / 2, 0.0);
    add_packed_matrices(PairOperator::overlap, one, 0.0, {}, 0, 1, s.data());
    EXPECT_NEAR(testing::packed_trace(nf, big.data() + at, s.data()), electrons[a], 1e-9) << a;
    at += static_cast<long>(nf) * (nf + 1) / 2;
  }
}

// The closed form against central differences of the s-s interaction.
TEST(AtomicCoulomb, DerivativesOfTheSphericalGaussianInteraction) {
  const double p = 1.3, q = 0.7, h = 1e-4;
  EXPECT_NEAR(spherical_coulomb(0, p, 0, q), coulomb_self(0, p, q), 1e-12);
  auto w = [](double x, double y) { return spherical_coulomb(0, x, 0, y); };
  EXPECT_NEAR(spherical_coulomb(1, p, 0, q), -(w(p + h, q) - w(p - h, q)) / (2 * h), 1e-6);
  EXPECT_NEAR(spherical_coulomb(0, p, 1, q), -(w(p, q + h) - w(p, q - h)) / (2 * h), 1e-6);
  EXPECT_NEAR(spherical_coulomb(1, p, 1, q),
              (w(p + h, q + h) - w(p + h, q - h) - w(p - h, q + h) + w(p - h, q - h)) / (4 * h * h), 1e-5);
  auto w1 = [](double x, double y) { return spherical_coulomb(1, x, 0, y); };
  EXPECT_NEAR(spherical_coulomb(2, p, 0, q), -(w1(p + h, q) - w1(p - h, q)) / (2 * h), 1e-6);
  EXPECT_EQ(spherical_coulomb(2, p, 3, q), spherical_coulomb(3, q, 2, p));
}

}  // namespace
}  // namespace ostrel
