#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "input/element_table.hpp"
#include "input/pending_modules.hpp"
#include "input/task_dispatch.hpp"
#include "integrals/basis_adapter.hpp"
#include "integrals/coulomb_fit.hpp"
#include "model/basis_input.hpp"
#include "model/ecp_input.hpp"
#include "model/molecule_input.hpp"
#include "runtime/store.hpp"
#include "scf/guess/atomic_calculations.hpp"
#include "scf/guess/atomic_coulomb.hpp"
#include "scf/guess/guess_steps.hpp"
#include "scf/guess/vector_file.hpp"
#include "scf/xc/xc_functional.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"
#include "support/matrices.hpp"
#include "support/model_input.hpp"
#include "support/molecules.hpp"
#include "support/runtime_fixture.hpp"
#include "support/records.hpp"

namespace ostrel {
namespace {

const std::string kDef2 = std::string(OSTREL_SOURCE_DIR) + "/data/basis/def2";

class Guess : public testing::RuntimeTest {
 protected:
  // A molecule (lines "Z x y z" in angstrom) in def2-SVP with its fitting set, the element
  // table and a functional; core potentials when `ecp`.
  void prepare(const std::string& atoms, const char* functional, bool ecp = false, int charge = 0,
               int multiplicity = 1, const char* element_group = "") {
    char head[96];
    std::snprintf(head, sizeof head, "$molecule charge=%d multiplicity=%d\n cartesian\n set=def2-SVP\n",
                  charge, multiplicity);
    const std::string text = std::string(head) + atoms + "$end\n";
    testing::read_test_molecule(text);
    const int none[2] = {0, 0};
    if (ecp)
      testing::captured_stdout([] { read_core_potentials(kDef2.c_str()); });
    else
      store_write("Necp", 0, none, 8);
    testing::read_program_basis(kDef2);
    testing::read_program_basis(kDef2, true);
    testing::InputFile group(element_group);
    testing::captured_stdout([&] { build_element_table("Atoms", group.get()); });
    const double p[32] = {};
    const std::int32_t n[5] = {};
    XcFunctional f = xc_cleared(p, n);
    ASSERT_TRUE(xc_lookup(functional, f));
    xc_store_write(f);
  }
  // Records the SCF set-up and the guess options leave for the guess.
  void options(int na, int nb, int restricted, int mix = 0, int localize = 0, int read = 0,
               const char* print = "", const char* save = "") {
    const int a[2] = {na, na}, b[2] = {nb, nb};
    store_write("Na", 0, a, 8);
    store_write("Nb", 0, b, 8);
    store_put("restrict", restricted);
    store_put("closed", restricted && na == nb ? 1 : 0);
    store_put("four", 0);
    store_put("guess.mix", mix);
    store_put("guess.loc", localize);
    store_put("guess.read", read);
    store_put_text("PRINT", print, 64);
    store_put_text("scfsave", save, 128);
    const int n = store_get<int>("Nbasis");
    std::vector<int> order(2 * n);
    for (int i = 0; i < 2 * n; ++i) order[i] = i;
    store_write("guess_na", 0, order.data(), 8L * n);
    store_write("guess_nb", 0, order.data(), 8L * n);
  }
  std::string guess() { return testing::captured_stdout(initial_guess); }
  std::string atoms() { return testing::captured_stdout(atomic_calculations); }
};

// C^T S C - I for the orbitals of `name` against the overlap of "Basis".
double orthonormality_error(const char* name) {
  const int n = store_get<int>("Nbasis");
  std::vector<double> s(static_cast<std::size_t>(n) * (n + 1) / 2);
  basis_overlap(s.data());
  return testing::orthonormality_error(n, testing::get_reals(name).data(), s.data());
}

// The guess stops with `message`.
void expect_guess_stop(const char* message) {
  testing::captured_stdout([&] { EXPECT_FATAL(initial_guess(), message); });
}

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
    store_close();
    SetUp();
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
  store_close();
  SetUp();
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
  Molecule mol = load_molecule(0, "Molecule");
  Basis basis = load_basis(0, "Basis", mol);
  {
    BasisViews views(basis, mol);
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
  release_basis(basis);
  release_molecule(mol);
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

const char* const kWater = testing::kWaterAtoms;

TEST_F(Guess, WaterMinimalBasisGuessIsOrthonormalAndOrdered) {
  prepare(kWater, "PBE");
  options(5, 5, 1);
  EXPECT_NE(guess().find("\n Initial Guess\n"), std::string::npos);
  EXPECT_EQ(store_get<double>("scf_Gmax"), 1.0);
  const int n = 24;
  EXPECT_LT(orthonormality_error("Ca"), 1e-10);
  EXPECT_LT(orthonormality_error("Cb"), 1e-10);
  // Minimal basis of water: O 1s, 2s, 2p and two H 1s; core O 1s.
  const std::vector<int> counts = testing::get_ints(kAtomicCountsRecord);
  EXPECT_EQ(counts[0], 7);
  EXPECT_EQ(counts[1], 1);
  EXPECT_EQ(store_size("C_core"), 8L * n);
  // Energies ascend within the minimal block and stay above it beyond.
  const std::vector<double> e = testing::get_reals("ea");
  for (int k = 1; k < 7; ++k) EXPECT_LE(e[k - 1], e[k] + 1e-12);
  for (int k = 7; k < n; ++k) EXPECT_GT(e[k], e[6]);
  EXPECT_LT(e[4], 0.0);  // five bound occupied orbitals
}

TEST_F(Guess, AtomicFitsCarryEachAtomsElectrons) {
  prepare(kWater, "PBE");
  atoms();
  Molecule mol = load_molecule(0, "Molecule");
  Basis fit = load_basis(0, "Basis2", mol);
  {
    BasisViews views(fit, mol);
    const int m = fit.n_functions;
    std::vector<double> moments(4 * static_cast<std::size_t>(m), 0.0);
    fit_moments(views.atoms, moments.data());
    const std::vector<double> d = testing::get_reals("atomic_d"), da = testing::get_reals("da"), db = testing::get_reals("db");
    ASSERT_EQ(d.size(), static_cast<std::size_t>(m));
    const double expected[3] = {8.0, 1.0, 1.0};
    for (int a = 0; a < 3; ++a) {
      double q = 0.0;
      for (int k = views.atoms.first_function[a]; k < views.atoms.first_function[a + 1]; ++k)
        q += d[k] * moments[k];
      EXPECT_NEAR(q, expected[a], 5e-3) << a;
    }
    for (int k = 0; k < m; ++k) EXPECT_TRUE(da[k] == 0.5 * d[k] && db[k] == 0.5 * d[k]) << k;
  }
  release_basis(fit);
  release_molecule(mol);
}

TEST_F(Guess, MixTurnsHomoAndLumoOppositeWays) {
  prepare(kWater, "PBE");
  options(5, 5, 0);
  guess();
  const std::vector<double> plain = testing::get_reals("Ca");
  store_put("guess.mix", 1);
  guess();
  const std::vector<double> a = testing::get_reals("Ca"), b = testing::get_reals("Cb");
  const int n = 24;
  const double cs = std::cos(0.25), sn = std::sin(0.25);
  for (int i = 0; i < n; ++i) {
    const double h = plain[4 * n + i], l = plain[5 * n + i];
    EXPECT_NEAR(a[4 * n + i], cs * h + sn * l, 1e-12);
    EXPECT_NEAR(a[5 * n + i], -sn * h + cs * l, 1e-12);
    EXPECT_NEAR(b[4 * n + i], cs * h - sn * l, 1e-12);
    EXPECT_NEAR(b[5 * n + i], sn * h + cs * l, 1e-12);
  }
  for (int i = 0; i < 4 * n; ++i) EXPECT_EQ(a[i], plain[i]);
}

TEST_F(Guess, OrderListsPermuteAndStopOnBadEntries) {
  prepare(kWater, "PBE");
  options(5, 5, 0);
  guess();
  const std::vector<double> plain = testing::get_reals("Ca"), pe = testing::get_reals("ea");
  const int n = 24;
  std::vector<int> order(2 * n);
  for (int i = 0; i < 2 * n; ++i) order[i] = i;
  std::swap(order[4], order[5]);
  store_write("guess_na", 0, order.data(), 8L * n);
  guess();
  const std::vector<double> a = testing::get_reals("Ca"), ea = testing::get_reals("ea"), b = testing::get_reals("Cb");
  EXPECT_EQ(ea[4], pe[5]);
  EXPECT_EQ(ea[5], pe[4]);
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(a[4 * n + i], plain[5 * n + i]);
    EXPECT_EQ(b[4 * n + i], plain[4 * n + i]);
  }
  order[5] = order[4];  // named twice
  store_write("guess_nb", 0, order.data(), 8L * n);
  expect_guess_stop("named twice");
  order[5] = n;  // beyond the basis
  store_write("guess_nb", 0, order.data(), 8L * n);
  expect_guess_stop("is not one of 1..24");
}

TEST_F(Guess, VectorFileRoundTripAndWrongSize) {
  prepare(kWater, "PBE");
  const std::string file = ::testing::TempDir() + "guess_vectors.bin";
  std::remove(file.c_str());
  options(5, 5, 0, 0, 0, 0, "", file.c_str());
  guess();
  const std::vector<double> ca = testing::get_reals("Ca"), ea = testing::get_reals("ea"), cb = testing::get_reals("Cb"), eb = testing::get_reals("eb");
  save_vectors(file.c_str(), 24);
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(st.st_size, 4 + 2 * 8 * (24 + 24 * 24));
  // Scramble the records, then read them back.
  std::vector<double> zero(24 * 24, 0.0);
  store_write("Ca", 0, zero.data(), 8 * 24 * 24);
  store_write("Cb", 0, zero.data(), 8 * 24 * 24);
  store_put("guess.read", 1);
  const std::string out = guess();
  EXPECT_NE(out.find("\n vectors from '" + file + "'\n"), std::string::npos) << out;
  EXPECT_TRUE(testing::get_reals("Ca") == ca && testing::get_reals("ea") == ea);
  EXPECT_TRUE(testing::get_reals("Cb") == cb && testing::get_reals("eb") == eb);
  EXPECT_EQ(store_get<double>("scf_Gmax"), 0.0);
  // Another basis size, a short file and a missing file all fail.
  EXPECT_EQ(read_vectors(file.c_str(), 25), 1);
  {
    std::FILE* f = std::fopen(file.c_str(), "r+b");
    const std::int32_t other = 23;
    std::fwrite(&other, 4, 1, f);
    std::fclose(f);
  }
  expect_guess_stop(" error...");
  save_vectors(file.c_str(), 24);
  ASSERT_EQ(truncate(file.c_str(), 4 + 8 * 24 + 100), 0);
  EXPECT_EQ(read_vectors(file.c_str(), 24), 1);
  std::remove(file.c_str());
  EXPECT_EQ(read_vectors(file.c_str(), 24), 1);
  // An empty name saves nothing.
  save_vectors("", 24);
  EXPECT_NE(stat(file.c_str(), &st), 0);
}

// Saving to "." prints the vectors: per spin and orbital an energy line and the
// coefficients five to a line, in full precision.
TEST_F(Guess, TextDumpOfSevenFunctions) {
  const int n = 7;
  std::vector<double> c(n * n), e(n);
  for (int i = 0; i < n * n; ++i) c[i] = 0.125 * (i + 1) * (i % 2 ? -1 : 1);
  for (int i = 0; i < n; ++i) e[i] = -1.0 + 0.25 * i;
  for (const char* name : {"Ca", "Cb"}) testing::put_reals(name, c);
  for (const char* name : {"ea", "eb"}) testing::put_reals(name, e);
  const std::string out = testing::captured_stdout([] { save_vectors(".", 7); });
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2 + 2 * 7 * 3);
  EXPECT_EQ(out.rfind("ce>$vector\nce> ea(1)=-1.000000000000000e+00 Ca(1)=\nce> +1.250000000000000e-01 ", 0), 0u);
  EXPECT_NE(out.find("\nce> eb(1)=-1.000000000000000e+00 Cb(1)=\n"), std::string::npos);
}

TEST_F(Guess, PipekMezeyGivesTwoMirrorImageBonds) {
  prepare(kWater, "PBE");
  options(5, 5, 1, 0, 1);
  const std::string out = guess();
  const std::size_t last = out.rfind("  tmax = ");
  ASSERT_NE(last, std::string::npos);
  EXPECT_LT(std::atof(out.c_str() + last + 9), 1e-6);
  EXPECT_LT(orthonormality_error("Ca"), 1e-10);
  // Mulliken populations of the occupied orbitals on O, H1, H2.
  const int n = 24;
  std::vector<double> s(n * (n + 1) / 2);
  basis_overlap(s.data());
  const std::vector<double> c = testing::get_reals("Ca");
  const int first[4] = {0, 14, 19, 24};
  double pop[5][3] = {};
  for (int k = 0; k < 5; ++k)
    for (int a = 0; a < 3; ++a)
      for (int i = first[a]; i < first[a + 1]; ++i)
        for (int j = 0; j < n; ++j)
          pop[k][a] += c[k * n + i] * c[k * n + j] * s[testing::sym_index(i, j)];
  // Two orbitals are O-H bonds, one to each hydrogen, with mirror-image populations.
  int bond1 = -1, bond2 = -1;
  for (int k = 0; k < 5; ++k) {
    if (pop[k][1] > 0.2) bond1 = k;
    if (pop[k][2] > 0.2) bond2 = k;
  }
  ASSERT_TRUE(bond1 >= 0 && bond2 >= 0 && bond1 != bond2);
  EXPECT_NEAR(pop[bond1][1], pop[bond2][2], 1e-6);
  EXPECT_NEAR(pop[bond1][2], pop[bond2][1], 1e-6);
  EXPECT_NEAR(pop[bond1][0], pop[bond2][0], 1e-6);
  // The others stay on oxygen.
  for (int k = 0; k < 5; ++k) EXPECT_TRUE(k == bond1 || k == bond2 || pop[k][0] > 0.9) << k;
}

// Vectors given over the minimal basis come back as the same orbitals: the minimal-basis
// guess written in the frame's minimal block (V = B^T S C) and read as the group "ce".
TEST_F(Guess, ProjectedGuessRebuildsOrbitalsGivenInTheMinimalBasis) {
  prepare(kWater, "PBE");
  options(5, 5, 1);
  guess();
  const int n = 24, m = 7;
  const std::vector<double> c0 = testing::get_reals("Ca"), e0 = testing::get_reals("ea");
  std::vector<double> frame(n * n), energies(n), s(n * n);
  ASSERT_EQ(minimal_frame(frame.data(), energies.data(), s.data(), n), m);
  std::vector<double> v(m * m);
  for (int k = 0; k < m; ++k)
    for (int j = 0; j < m; ++j) {
      double sum = 0.0;
      for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b) sum += frame[j * n + a] * s[testing::sym_index(a, b)] * c0[k * n + b];
      v[k * m + j] = sum;
    }
  store_write("guess_Ca", 0, v.data(), 8 * m * m);
  store_write("guess_ea", 0, e0.data(), 8 * m);
  store_write("guess_Cb", 0, v.data(), 8 * m * m);
  store_write("guess_eb", 0, e0.data(), 8 * m);
  store_put("guess.read", -1);
  guess();
  const std::vector<double> c = testing::get_reals("Ca"), e = testing::get_reals("ea");
  for (int k = 0; k < m; ++k) {
    EXPECT_EQ(e[k], e0[k]);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(c[k * n + i], c0[k * n + i], 1e-10) << k << " " << i;
  }
  EXPECT_LT(orthonormality_error("Ca"), 1e-10);
  EXPECT_EQ(testing::get_reals("Cb"), c);
  // Vectors of another size stop the run.
  store_free("guess_eb");
  store_free("guess_Cb");
  store_free("guess_ea");
  store_free("guess_Ca");
  std::vector<double> small(4, 0.0);
  store_write("guess_Ca", 0, small.data(), 32);
  expect_guess_stop("n=2, but the minimal basis has 7 functions");
}

TEST_F(Guess, GuessTaskRunsThroughTaskDispatch) {
  prepare(kWater, "PBE");
  options(5, 5, 1);
  EXPECT_NE(testing::captured_stdout([] { run_task("GUESS"); }).find("\n Initial Guess\n"), std::string::npos);
  EXPECT_EQ(store_size("Ca"), 8 * 24 * 24);
  testing::captured_stdout([] { EXPECT_FATAL(run_task("FRAGMENT_GUESS"), "fragment guess is not available"); });
}

}  // namespace
}  // namespace ostrel
