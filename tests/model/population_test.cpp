// Overlap populations and bond orders against Psi4 and hand values, the printed tables, and
// the charges of the fitted density against the fitting-function moments.
#include "model/population.hpp"

#include "integrals/fit_driver.hpp"
#include "support/matrices.hpp"
#include "support/model_input.hpp"

namespace ostrel {
namespace {

class Populations : public testing::RuntimeTest {
 protected:
  // Molecule in bohr and a basis from the shipped library.
  void load(const std::string& atoms, const char* library, const char* header = "") {
    testing::read_test_model(std::string("$molecule units=b ") + header + " cartesian\n" + atoms + "$end\n",
                             testing::FitSet::none, library);
  }
  void orbitals(int na, int nb, int restricted, const std::vector<double>& ca, const std::vector<double>& cb) {
    store_put("four", 0);
    store_put("Na", na);
    store_put("Nb", nb);
    store_put("restrict", restricted);
    testing::put_reals("Ca", ca);
    if (!cb.empty()) testing::put_reals("Cb", cb);
  }
  std::string run() {
    const std::int64_t before = pool_available();
    const int records = store_exists("pop.S");
    const std::string out = testing::captured_stdout(print_populations);
    EXPECT_EQ(pool_available(), before);
    EXPECT_EQ(store_exists("pop.S"), records);  // the overlap record is gone again
    // The integral step announces itself first.
    const auto start = out.find("\n Overlap populations:");
    return start == std::string::npos ? out : out.substr(start);
  }
};

// Linear-ish H3 radical, UHF/6-31G* (s functions only, so no component order matters).
// Orbitals, Mulliken charges and Mayer indices from Psi4 1.3.2: reference uhf, scf_type pk,
// e_convergence 1e-12, d_convergence 1e-10, puream, symmetry c1, no_reorient, no_com.
constexpr const char* kH3 = " 1 0 0 0\n 1 0 0 1.75\n 1 0 0.4 3.5\n";
const std::vector<double> kH3Ca = {
    0.25760729401219107, 0.22241286872892077, 0.26335182512460803, 0.1779935183550741,
    0.25618125351540483, 0.22486111852778026, 0.32201080761893641, 0.55304080007343603,
    0.0078506084837822974, 0.012007235037871768, -0.32807491858480647, -0.57554992454096521};
const std::vector<double> kH3Cb = {0.16761148807718732, 0.053388730394819811, 0.36506284109477927,
                                   0.48637277710154841, 0.15507967670969353, 0.044864337408490253};

TEST_F(Populations, OpenShellChargesSpinAndBondOrdersMatchPsi4) {
  load(kH3, "6-31gs", "multiplicity=2");
  orbitals(2, 1, 0, kH3Ca, kH3Cb);
  const std::string out = run();
  EXPECT_EQ(out,
            "\n Overlap populations:\n  atom    charge   spin p.\n"
            " H1       0.0600   0.68134\n"
            " H2      -0.1154  -0.40374\n"
            " H3       0.0554   0.72240\n"
            "\n   Bond orders:\n  H1    |  H2   :  0.44\n  H2    |  H1   :  0.44  H3   :  0.38\n"
            "  H3    |  H2   :  0.38\n");

  // The numbers behind the print.
  const int n = 6;
  const std::vector<double> s = testing::overlap_matrix();
  EXPECT_NEAR(s[1], 0.65829204933932983, 1e-12);  // Psi4 S(1,2)
  const int atom_of[6] = {0, 0, 1, 1, 2, 2};
  const double z[3] = {1, 1, 1};
  double charge[3], spin[3], bond[6];
  population_analysis(n, s.data(), kH3Ca.data(), 2, kH3Cb.data(), 1, atom_of, 3, z, charge, spin, bond);
  // Bonds (2,1), (3,1) (below the listing threshold) and (3,2).
  EXPECT_LT(testing::max_difference({charge[0], charge[1], charge[2], bond[1], bond[3], bond[4]},
                                    {0.06003001194351598, -0.1153952941740819, 0.05536528223056603,
                                     0.4415306289528511, 0.04598150618091018, 0.38208002061412427}),
            1e-9);
  // Psi4 prints alpha and beta spin populations to 5 places.
  EXPECT_LT(testing::max_difference({spin[0], spin[1]}, {0.81065 - 0.12932, 0.35583 - 0.75957}), 2e-5);
  EXPECT_NEAR(spin[0] + spin[1] + spin[2], 1.0, 1e-12);
}

// H2 in a minimal basis: the bonding orbital gives bond order 1 and no charges whatever the
// overlap; with one electron (H2+) the order is 1/2 and each atom carries half the spin.
TEST_F(Populations, MinimalBasisHydrogenMoleculeByHand) {
  load(" 1 0 0 0\n 1 0 0 1.4\n", "sto-3g");
  const std::vector<double> s = testing::overlap_matrix();
  ASSERT_GT(s[1], 0.5);
  const double c = 1.0 / std::sqrt(2.0 * (1.0 + s[1]));
  orbitals(1, 1, 1, {c, c}, {});
  const int atom_of[2] = {0, 1};
  const double z[2] = {1, 1};
  const double ca[2] = {c, c}, none[2] = {0, 0};
  double charge[2], spin[2], bond[3];
  population_analysis(2, s.data(), ca, 1, ca, 1, atom_of, 2, z, charge, spin, bond);
  EXPECT_LT(testing::max_difference({bond[1], charge[0], charge[1]}, {1, 0, 0}), 1e-12);
  EXPECT_NE(run().find("\n   Bond orders:\n  H1    |  H2   :  1.00\n  H2    |  H1   :  1.00\n"), std::string::npos);

  population_analysis(2, s.data(), ca, 1, none, 0, atom_of, 2, z, charge, spin, bond);
  EXPECT_LT(testing::max_difference({bond[1], charge[0], spin[1]}, {0.5, 0.5, 0.5}), 1e-12);
  orbitals(1, 0, 0, {c, c}, {0.0, 0.0});
  EXPECT_EQ(run(),
            "\n Overlap populations:\n  atom    charge   spin p.\n"
            " H1       0.5000   0.50000\n H2       0.5000   0.50000\n"
            "\n   Bond orders:\n  H1    |  H2   :  0.50\n  H2    |  H1   :  0.50\n");
}

TEST_F(Populations, BondOrderListingThresholdSignAndWrapping) {
  const int z[6] = {6, 1, 1, 1, 1, 8};
  const double charge[6] = {-0.25, 0.1, 0.1, 0.1, 0.1, -0.15};
  const double spin[6] = {};
  double bond[21] = {};
  auto at = [&](int i, int j) -> double& { return i >= j ? bond[i * (i + 1) / 2 + j] : bond[j * (j + 1) / 2 + i]; };
  at(1, 0) = 0.05;       // exactly the threshold: not listed
  at(2, 0) = 0.0500001;  // just above
  at(3, 0) = -0.06;      // negative orders count by magnitude
  at(4, 0) = 0.9;
  at(5, 0) = 1.95;
  at(5, 5) = 3.0;        // the atom's own entry is never listed
  EXPECT_EQ(testing::captured_stdout([&] { print_population_table(z, 6, charge, spin, bond); }),
            "\n Overlap populations:\n  atom    charge   spin p.\n"
            " C1      -0.2500   0.00000\n H1       0.1000   0.00000\n H2       0.1000   0.00000\n"
            " H3       0.1000   0.00000\n H4       0.1000   0.00000\n O1      -0.1500   0.00000\n"
            "\n   Bond orders:"
            "\n  C1    |  H2   :  0.05  H3   : -0.06  H4   :  0.90  O1   :  1.95"
            "\n  H1    |\n  H2    |  C1   :  0.05\n  H3    |  C1   : -0.06\n  H4    |  C1   :  0.90"
            "\n  O1    |  C1   :  1.95\n");
  at(1, 0) = 0.7;  // five neighbours: the fifth goes on a continuation line
  const std::string out = testing::captured_stdout([&] { print_population_table(z, 6, charge, spin, bond); });
  EXPECT_NE(out.find("\n  C1    |  H1   :  0.70  H2   :  0.05  H3   : -0.06  H4   :  0.90"
                     "\n        |  O1   :  1.95\n"),
            std::string::npos)
      << out;
}

// Fitted-density charges: the s-function integrals must agree with the fitting-function
// charges of the metric step (an independent integral path), atom by atom.
TEST_F(Populations, FittedChargesAreTheFittingFunctionMomentsAtomByAtom) {
  testing::read_test_model(testing::molecule_group(testing::kWaterReferenceAtoms));
  const int m = store_get<int>("Nfit");
  ASSERT_EQ(m, 71);
  testing::captured_stdout([] { fit_metric_step(1e-10); });
  const std::vector<double> g = testing::get_reals(kFitMomentsRecord);
  std::vector<double> da, db, atomic;
  for (int k = 0; k < m; ++k) {
    da.push_back(0.01 * (k % 7 - 3) + 0.02);
    db.push_back(0.015 * (k % 5 - 2) + 0.01);
    atomic.push_back(0.012 * (k % 3));
  }
  testing::put_reals("da", da);
  testing::put_reals("db", db);
  testing::put_reals("atomic_d", atomic);
  const std::vector<int> first = [] {
    const testing::LoadedBasis fit("Basis2");
    return std::vector<int>(fit.basis.atom_first_function, fit.basis.atom_first_function + 4);
  }();
  // sum over atom a's functions of g_k c_k: p and d functions carry no charge.
  auto atom_sum = [&](int a, const std::vector<double>& c) {
    double s = 0.0;
    for (int k = first[a]; k < first[a + 1]; ++k) s += g[k] * c[k];
    return s;
  };
  const std::string charges = testing::captured_stdout(print_fitted_charges);
  const std::string expansion = testing::captured_stdout(print_density_expansion);
  const std::size_t totals = expansion.find(" totals:\n");
  ASSERT_NE(totals, std::string::npos) << expansion;
  const char* label[3] = {"O1", "H1", "H2"};
  const double z[3] = {8, 1, 1};
  char line[128];
  for (int a = 0; a < 3; ++a) {
    const double qa = atom_sum(a, da), qb = atom_sum(a, db);
    std::snprintf(line, sizeof line, "  %-5s %9.5lf %9.5lf\n", label[a], z[a] - qa - qb, qa - qb);
    EXPECT_NE(charges.find(line), std::string::npos) << line << charges;
    std::snprintf(line, sizeof line, "%4d            %10.5lf%10.5lf%10.5lf%10.5lf%10.5lf\n", a + 1, qa, qb,
                  qa + qb, qa - qb, qa + qb - atom_sum(a, atomic));
    EXPECT_NE(expansion.find(line, totals), std::string::npos) << line << expansion;
  }
}

}  // namespace
}  // namespace ostrel
