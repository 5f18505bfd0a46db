#include "model/elements.hpp"
#include "support/model_input.hpp"

namespace ostrel {
namespace {

using testing::molecule_group;
using testing::read_test_basis;
using testing::read_test_molecule;

const std::string kDef2 = testing::basis_library("def2");
constexpr double kPi = 3.141592653589793;
using BasisInput = testing::RuntimeTest;

// Overlap of a contracted shell with itself, from Cartesian Gaussian integrals: the s
// function sum c e^{-a r^2}, the p_z function sum c sqrt(3) z e^{-a r^2}.
double self_overlap(const ShellSlot& s) {
  double sum = 0.0;
  for (int i = 0; i < s.n_primitives; ++i)
    for (int j = 0; j < s.n_primitives; ++j) {
      const double p = s.exponent[i] + s.exponent[j];
      const double ss = std::pow(kPi / p, 1.5);
      sum += s.coef[0][i] * s.coef[0][j] * (s.l == 0 ? ss : 3.0 * ss / (2.0 * p));
    }
  return sum;
}

// Coulomb self-interaction of sum c r^l Y e^{-a r^2} (Y of unit mean square) by a radial
// double integral: (4 pi)^2/(2l+1) int int g(r1) g(r2) r<^l / r>^(l+1) r1^2 r2^2.
double self_coulomb_numeric(const ShellSlot& s) {
  const int n = 200000;
  const double rmax = 12.0 / std::sqrt(s.exponent[0]);
  const double h = rmax / n;
  auto g = [&](double r) {
    double v = 0.0;
    for (int i = 0; i < s.n_primitives; ++i) v += s.coef[0][i] * std::pow(r, s.l) * std::exp(-s.exponent[i] * r * r);
    return v;
  };
  // Inner integrals by cumulative trapezoids: inside(r) = int_0^r g r'^(l+2), outside(r) = int_r^inf g r'^(1-l).
  std::vector<double> r(n + 1), in(n + 1, 0.0), out(n + 1, 0.0), gv(n + 1);
  for (int k = 0; k <= n; ++k) {
    r[k] = k * h;
    gv[k] = g(r[k]);
  }
  for (int k = 1; k <= n; ++k)
    in[k] = in[k - 1] + 0.5 * h * (gv[k] * std::pow(r[k], s.l + 2) + gv[k - 1] * std::pow(r[k - 1], s.l + 2));
  for (int k = n - 1; k >= 0; --k)
    out[k] = out[k + 1] + 0.5 * h * (gv[k] * std::pow(r[k], 1 - s.l) + gv[k + 1] * std::pow(r[k + 1], 1 - s.l));
  double total = 0.0;
  for (int k = 1; k <= n; ++k) {
    const double f = gv[k] * r[k] * r[k] * (in[k] / std::pow(r[k], s.l + 1) + out[k] * std::pow(r[k], s.l));
    total += (k == n ? 0.5 : 1.0) * h * f;
  }
  return 16.0 * kPi * kPi / (2 * s.l + 1) * total;
}

TEST_F(BasisInput, WaterLayoutInDef2Svp) {
  read_test_molecule(molecule_group(testing::kWaterAtoms));
  read_test_basis(kDef2, "basis", "Basis");
  EXPECT_EQ(store_get<int>("Basis") + 4, store_size("Basis"));  // byte count, then the image
  testing::LoadedBasis loaded("Basis");
  const Basis& b = loaded.basis;
  EXPECT_EQ((std::vector<int>{b.n_shells, b.max_atom_functions, b.lmax, b.pair_offset[3]}),
            (std::vector<int>{12, 14, 2, 14 * 14 + 25 + 25}));
  EXPECT_EQ(testing::get_ints("n_Basis"), (std::vector<int>{0, 14, 19, 24}));
  EXPECT_EQ(b.shells[4].position, loaded.mol.xyz);  // shells point at their atoms
  EXPECT_EQ(b.shells[11].position, loaded.mol.xyz + 6);
  // A changed geometry moves the shells of the next load.
  loaded.mol.xyz[6] = 5.0;
  store_molecule("Molecule", loaded.mol);
  const testing::LoadedBasis moved("Basis");
  EXPECT_EQ(moved.basis.shells[moved.basis.atom_first_shell[2]].position[0], 5.0);
}

// Function counts from Psi4 1.3.2 (def2-SVP, def2-TZVP for set=def2-TZVP atoms, and
// def2-universal-jfit, which serves both).
TEST_F(BasisInput, FunctionCountsMatchPsi4) {
  const std::string ch3i = " 6 0 0 0\n 53 0 0 2.14\n 1 1.03 0 -0.36\n 1 -0.51 0.89 -0.36\n 1 -0.51 -0.89 -0.36\n";
  for (const auto& [set, functions] : {std::pair{"", 55}, std::pair{" set=def2-TZVP\n", 99}}) {
    store_clear();
    read_test_molecule(std::string("$molecule cartesian\n") + set + ch3i + "$end\n");
    read_test_basis(kDef2, "basis", "Basis");
    read_test_basis(kDef2, "basis2", "Fit");
    EXPECT_EQ(store_get<int>("NBasis"), functions);
    EXPECT_EQ(store_get<int>("NFit"), 140) << functions;
  }
}

TEST_F(BasisInput, ContractionsAreNormalisedInTheOverlapMetric) {
  read_test_molecule(molecule_group(testing::kWaterAtoms));
  const std::string out = read_test_basis(testing::basis_library("cc-pvdz"), "basis", "Basis");
  EXPECT_NE(out.find("    1   8  O :  14/"), std::string::npos) << out;
  const testing::LoadedBasis loaded("Basis");
  const Basis& b = loaded.basis;
  EXPECT_EQ((std::vector<int>{b.n_functions, b.general}), (std::vector<int>{24, 1}));
  // cc-pVDZ oxygen: the s contractions share their exponents (one row each).
  EXPECT_LT(b.kind[0].n_exponents, 9 + 9 + 1 + 4 + 1 + 1);
  int checked = 0;
  for (int s = 0; s < b.n_shells; ++s) {
    if (b.shells[s].l > 1) continue;
    EXPECT_NEAR(self_overlap(b.shells[s]), 1.0, 1e-12) << s;
    ++checked;
  }
  EXPECT_EQ(checked, 11);
}

TEST_F(BasisInput, FittingContractionsAreNormalisedInTheCoulombMetric) {
  read_test_molecule(molecule_group(testing::kWaterAtoms));
  read_test_basis(kDef2, "basis2", "Fit");
  const testing::LoadedBasis loaded("Fit");
  const Basis& b = loaded.basis;
  int checked = 0;
  for (int s = 0; s < b.n_shells; ++s) {
    if (b.shells[s].l > 1 || b.shells[s].atom != 0) continue;
    EXPECT_NEAR(self_coulomb_numeric(b.shells[s]), 1.0, 1e-8) << s;
    ++checked;
  }
  EXPECT_GE(checked, 4);
}

TEST_F(BasisInput, SetsAlternativesHalvesScalesAndSharedExponents) {
  read_test_molecule("$molecule units=b ca\n set=A&B\n 1 0 0 0\n set=C\n 1 0 0 1.4\n$end\n");
  const std::string lib =
      "$basis default=A\n 1 2\n 0 1\n 1.0 1.0\n 0 2 s = 2.0\n 1.0 0.5\n 0.25 0.5\n"
      " set=B|C\n 1 1\n 1 1\n 0.7 1.0\n$end\n";
  read_test_basis("", "basis", "Basis", 0, 0, lib);
  {
    const testing::LoadedBasis loaded("Basis");
    const Basis& b = loaded.basis;
    // Atom 1 (A): two s shells; the scaled shell has exponents 4 and 1, and 1.0 is shared.
    EXPECT_EQ((std::vector<double>{b.shells[1].exponent[0], b.shells[1].exponent[1]}), (std::vector<double>{1, 4}));
    // Atom 2 (C, listed as an alternative): one p shell.
    EXPECT_EQ((std::vector<int>{b.kind[0].n_exponents, b.kind[0].n_shells, b.kind[0].exp_nshell[0], b.shells[2].l,
                                b.n_functions}),
              (std::vector<int>{2, 2, 2, 1, 5}));
  }
  // The second half of "A&B" takes set B.
  read_test_basis("", "basis", "Basis1", 1, 0, lib);
  EXPECT_EQ(testing::LoadedBasis("Basis1").basis.n_functions, 6);
}

TEST_F(BasisInput, RelativisticSmallComponentsAndMissingData) {
  read_test_molecule("$molecule units=b ca\n 2 0 0 0\n set=none\n 2 0 0 3\n$end\n");
  const std::string lib = "$basis\n 2 2\n 0 1\n 2.0 1.0 3.0\n 1 1\n 1.5 1.0 2.0 4.0 5.0\n$end\n";
  const std::string out = read_test_basis("", "basis", "Basis", 0, 2, lib);
  EXPECT_NE(out.find("no data for   2,'none'\n"), std::string::npos) << out;
  const testing::LoadedBasis loaded("Basis");
  const Basis& b = loaded.basis;
  // Small component: the second number over the speed of light, same normalisation.
  EXPECT_NEAR(b.shells[0].coef[1][0], 3.0 * b.shells[0].coef[0][0] / SPEED_OF_LIGHT, 1e-15);
  EXPECT_NEAR(b.kind[0].coef[2][1], 4.0 * b.kind[0].coef[0][1], 1e-14);
  // No functions on the second atom.
  EXPECT_EQ(std::vector<int>(b.atom_first_function + 1, b.atom_first_function + 3), (std::vector<int>{4, 4}));
}

TEST_F(BasisInput, SlaterExpansionsUseNormalisedStoTables) {
  read_test_molecule("$molecule units=b ca\n 1 0 0 0\n 1 0 0 1.4\n$end\n");
  const std::string sto = "$basis type=sto\n 1 1\n 0 1 3 1.24\n$end\n";
  read_test_basis("", "basis", "Basis", 0, 0, sto);
  {
    const testing::LoadedBasis loaded("Basis");
    const ShellSlot& s = loaded.basis.shells[0];
    ASSERT_EQ(s.n_primitives, 3);
    // The published STO-3G hydrogen exponents for zeta = 1.24.
    EXPECT_NEAR(s.exponent[0], 0.1688554040, 1e-8);
    EXPECT_NEAR(s.exponent[2], 3.425250914, 1e-8);
    EXPECT_NEAR(self_overlap(s), 1.0, 1e-12);
  }
  EXPECT_FATAL(read_test_basis("", "basis", "Basis", 0, 1, sto), "nonrelativistic");
  EXPECT_TRUE(sto_kg_row(3, 2, 2) == nullptr && sto_kg_row(5, 1, 0) == nullptr);  // l >= n, k beyond the tables
  // Every row is a normalised function: sum d_i d_j int r^2L e^{-(a_i+a_j) r^2}.
  for (int k = 2; k <= 4; ++k)
    for (int n = 1; n <= 7; ++n)
      for (int l = 0; l < n; ++l) {
        const double* r = sto_kg_row(k, n, l);
        double q = 0.0;
        for (int i = 0; i < k; ++i)
          for (int j = 0; j < k; ++j) q += r[2 * i + 1] * r[2 * j + 1] * norm_integral(2 * l + 2, r[2 * i] + r[2 * j]);
        EXPECT_NEAR(q, 1.0, 1e-10) << k << " " << n << " " << l;
      }
}

TEST_F(BasisInput, MalformedLibrariesStopWithOneLine) {
  read_test_molecule("$molecule units=b m=2 ca\n 1 0 0 0\n$end\n");
  EXPECT_FATAL(read_test_basis("/nonexistent/lib", "basis", "Basis"), "\nfile '/nonexistent/lib'?\n");
  const struct { std::string text; const char* message; } cases[] = {
      {"$ecp $end", "\n -1?\n"},
      {"$basis 1 1 0 1 1.0 1.0 2 x $end", "\n 1?\n"},
      {"$basis 1 1 0 1 1.0 1.0 1 1 0 1 2.0 1.0 $end", "''?\n"},
      {"$basis 1 1 0 65 $end", "65 primitives (at most 64)"},
      {"$basis 1 1 10 1 1.0 1.0 $end", "shell L=10?"},
      {"$basis 1 513 $end", "513 shells (at most 512)"},
      {"$basis 1 1 0 1 -1.0 1.0 $end", "exponent -1?"},
      {"$basis 1 1 0 1 1.0 0.0 $end", "cannot be normalised"},
      {"$basis 1 1 0 1 1.0 1.0", "\n 1?\n"},
      {"$basis set=" + std::string(130, 'x') + " $end", "set line longer than 127"},
  };
  for (const auto& c : cases) EXPECT_FATAL(read_test_basis("", "basis", "Basis", 0, 0, c.text), c.message);
}

}  // namespace
}  // namespace ostrel
