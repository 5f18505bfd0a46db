// The Molden section for water in def2-SVP with made-up orbitals.
#include "model/molden_export.hpp"

#include <cstdlib>

#include "support/model_input.hpp"

namespace ostrel {
namespace {

constexpr int kFunctions = 24;  // def2-SVP water, spherical

class MoldenExport : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    testing::read_test_molecule(testing::molecule_group(testing::kWaterAtoms));
    testing::read_test_basis(testing::basis_library("def2"), "basis", "Basis");
    // Orbital k, function i: k + (i + 1) / 100 makes every coefficient traceable.
    std::vector<double> ca(kFunctions * kFunctions), cb(ca.size()), ea(kFunctions), eb(kFunctions);
    for (int k = 0; k < kFunctions; ++k) {
      ea[k] = -20.5 + k;
      eb[k] = -19.25 + k;
      for (int i = 0; i < kFunctions; ++i) {
        ca[k * kFunctions + i] = k + 0.01 * (i + 1);
        cb[k * kFunctions + i] = -(k + 0.01 * (i + 1));
      }
    }
    testing::put_reals("Ca", ca);
    testing::put_reals("Cb", cb);
    testing::put_reals("ea", ea);
    testing::put_reals("eb", eb);
  }
  std::vector<std::string> write(int na, int nb, int restricted, int occupied_only) {
    const std::int64_t before = pool_available();
    const std::string out = testing::captured_stdout(
        [&] { write_molden("Molecule", "Basis", "Ca", "Cb", "ea", "eb", na, nb, restricted, occupied_only); });
    EXPECT_EQ(pool_available(), before);
    return testing::lines_of(out);
  }
};

struct Shell { char letter; std::vector<double> exponent, coef; };

// Atoms blocks of the [GTO] section, from `at` (the first atom's header line) on.
std::vector<std::vector<Shell>> parse_gto(const std::vector<std::string>& lines, std::size_t& at) {
  std::vector<std::vector<Shell>> atoms;
  while (at < lines.size() && lines[at] != "mos>[MO]") {
    EXPECT_EQ(std::atoi(lines[at].c_str() + 4), static_cast<int>(atoms.size()) + 1) << lines[at];
    ++at;
    std::vector<Shell> shells;
    while (lines[at] != "mos>") {
      Shell s;
      int count;
      EXPECT_EQ(std::sscanf(lines[at++].c_str(), "mos> %c %d", &s.letter, &count), 2);
      for (int p = 0; p < count; ++p) {
        double e, c;
        EXPECT_EQ(std::sscanf(lines[at++].c_str(), "mos> %lf %lf", &e, &c), 2);
        s.exponent.push_back(e);
        s.coef.push_back(c);
      }
      shells.push_back(s);
    }
    ++at;
    atoms.push_back(shells);
  }
  return atoms;
}

int angular(char letter) { return static_cast<int>(std::string("spdfghij").find(letter)); }

// Overlap of the contraction with normalised primitives.
double contraction_norm(const Shell& s) {
  const double l = angular(s.letter);
  double sum = 0.0;
  for (std::size_t i = 0; i < s.coef.size(); ++i)
    for (std::size_t j = 0; j < s.coef.size(); ++j) {
      const double a = s.exponent[i], b = s.exponent[j];
      sum += s.coef[i] * s.coef[j] * std::pow(2.0 * std::sqrt(a * b) / (a + b), l + 1.5);
    }
  return sum;
}

TEST_F(MoldenExport, AtomsAndBasisBlocks) {
  const std::vector<std::string> lines = write(5, 4, 1, 0);
  ASSERT_GT(lines.size(), 10u);
  EXPECT_EQ(lines[0] + lines[1], "mos>[Molden Format]mos>[Atoms] AU");
  const testing::LoadedMolecule m;
  const char* symbols[] = {"O", "H", "H"};
  const int z[] = {8, 1, 1};
  for (int a = 0; a < 3; ++a) {
    char expect[128];
    std::snprintf(expect, sizeof expect, "mos> %2s %3d %3d %13.8lf %13.8lf %13.8lf", symbols[a], a + 1,
                  z[a], m.xyz[3 * a], m.xyz[3 * a + 1], m.xyz[3 * a + 2]);
    EXPECT_EQ(lines[2 + a], expect);
  }
  EXPECT_EQ(lines[5] + lines[6], "mos>[5D]mos>[GTO]");

  std::size_t at = 7;
  const auto atoms = parse_gto(lines, at);
  ASSERT_EQ(atoms.size(), 3u);
  // def2-SVP: O 3s2p1d, H 2s1p; the block's other primitives are left out of each shell.
  std::string o_shells, h_shells;
  for (const Shell& s : atoms[0]) o_shells += s.letter + std::to_string(s.coef.size());
  for (const Shell& s : atoms[1]) h_shells += s.letter + std::to_string(s.coef.size());
  EXPECT_EQ(o_shells + " " + h_shells, "s5s1s1p3p1d1 s3s1p1");
  int functions = 0;
  for (const auto& shells : atoms)
    for (const Shell& s : shells) {
      functions += 2 * angular(s.letter) + 1;
      // Coefficients refer to normalised primitives: the contraction has unit norm.
      EXPECT_NEAR(contraction_norm(s), 1.0, 2e-8) << s.letter << s.exponent[0];
    }
  EXPECT_EQ(functions, kFunctions);
  // The library's exponents, listed in the block's ascending order; coefficients as in the
  // library (normalised primitives) up to the contraction's own normalisation, a common
  // factor of the shell.
  const Shell& o_s = atoms[0][0];
  const double library_s[5][2] = {{2266.1767785, -0.53431809926E-02}, {340.87010191, -0.39890039230E-01},
                                  {77.363135167, -0.17853911985}, {21.479644940, -0.46427684959},
                                  {6.6589433124, -0.44309745172}};
  const double scale = o_s.coef[0] / library_s[4][1];
  for (int p = 0; p < 5; ++p) {
    EXPECT_NEAR(o_s.exponent[p] / library_s[4 - p][0], 1.0, 1e-8);
    EXPECT_NEAR(o_s.coef[p] / library_s[4 - p][1], scale, 1e-7);
  }
  // 1/sqrt of the library contraction's norm over normalised s primitives (computed apart).
  EXPECT_NEAR(scale, 1.008640807720764, 1e-7);
  EXPECT_EQ(atoms[1][2].coef, (std::vector<double>{1.0}));  // a lone primitive is normalised already
  ASSERT_LT(at, lines.size());
  EXPECT_EQ(lines[at], "mos>[MO]");
}

// Index of "mos>[MO]" in the output.
std::size_t mo_start(const std::vector<std::string>& lines) {
  return std::find(lines.begin(), lines.end(), "mos>[MO]") - lines.begin();
}

TEST_F(MoldenExport, RestrictedOrbitalsWithOccupationsAndPComponentOrder) {
  const std::vector<std::string> lines = write(5, 4, 1, 0);
  std::size_t at = mo_start(lines) + 1;
  ASSERT_EQ(lines.size() - at, static_cast<std::size_t>(kFunctions * (4 + kFunctions)));
  // Stored function order: the p triples stand as z, x, y and are written x, y, z.
  std::vector<int> stored_of(kFunctions);
  for (int i = 0; i < kFunctions; ++i) stored_of[i] = i;
  int p_shells = 0;
  {
    const testing::LoadedBasis loaded("Basis");
    for (int s = 0; s < loaded.basis.n_shells; ++s)
      if (loaded.basis.shells[s].l == 1) {
        const int f = loaded.basis.shells[s].first_function;
        stored_of[f] = f + 1, stored_of[f + 1] = f + 2, stored_of[f + 2] = f;
        ++p_shells;
      }
  }
  EXPECT_EQ(p_shells, 2 + 1 + 1);
  const double occupation[] = {2, 2, 2, 2, 1, 0};
  for (int k = 0; k < kFunctions; ++k) {
    char line[64], ene[64], occup[64];
    std::snprintf(ene, sizeof ene, "mos>Ene=%14.7lf", -20.5 + k);
    std::snprintf(occup, sizeof occup, "mos>Occup=%10.8lf", occupation[k < 5 ? k : 5]);
    EXPECT_EQ(lines[at] + lines[at + 1] + lines[at + 2] + lines[at + 3],
              "mos>Sym=C1" + std::string(ene) + "mos>Spin=Alpha" + occup);
    at += 4;
    for (int i = 0; i < kFunctions; ++i) {
      std::snprintf(line, sizeof line, "mos>%4d %10.6lf", i + 1, k + 0.01 * (stored_of[i] + 1));
      EXPECT_EQ(lines[at++], line) << k << " " << i;
    }
  }
}

// Unrestricted passes occupy by their own spin; more occupied orbitals than functions would
// read past the arrays, so a pass stops at the basis size; other nodes write nothing.
TEST_F(MoldenExport, UnrestrictedPassesOccupyByOwnSpinUpToTheBasisSize) {
  std::vector<std::string> lines = write(5, 4, 0, 1);  // occupied only: two short passes
  std::size_t at = mo_start(lines) + 1;
  ASSERT_EQ(lines.size() - at, static_cast<std::size_t>((5 + 4) * (4 + kFunctions)));
  for (int k = 0; k < 9; ++k, at += 4 + kFunctions) {
    const bool beta = k >= 5;
    const int j = beta ? k - 5 : k;
    char ene[64], coef[64];
    std::snprintf(ene, sizeof ene, "mos>Ene=%14.7lf", beta ? -19.25 + j : -20.5 + j);
    std::snprintf(coef, sizeof coef, "mos>%4d %10.6lf", 1, beta ? -(j + 0.01) : j + 0.01);
    EXPECT_EQ(lines[at + 1] + lines[at + 2] + lines[at + 3] + lines[at + 4],
              ene + std::string(beta ? "mos>Spin=Beta" : "mos>Spin=Alpha") + "mos>Occup=1.00000000" + coef);
  }
  lines = write(3, 2, 0, 0);  // all orbitals of both spins
  at = mo_start(lines) + 1;
  ASSERT_EQ(lines.size() - at, static_cast<std::size_t>(2 * kFunctions * (4 + kFunctions)));
  int occupied[2] = {0, 0};
  for (int k = 0; k < 2 * kFunctions; ++k, at += 4 + kFunctions)
    if (lines[at + 3] == "mos>Occup=1.00000000") ++occupied[k >= kFunctions];
    else EXPECT_EQ(lines[at + 3], "mos>Occup=0.00000000");
  EXPECT_EQ(std::vector<int>(occupied, occupied + 2), (std::vector<int>{3, 2}));
  lines = write(kFunctions + 6, -1, 0, 1);
  ASSERT_EQ(lines.size() - mo_start(lines) - 1, static_cast<std::size_t>(kFunctions * (4 + kFunctions)));
  EXPECT_EQ(lines.back(), "mos>  24  23.220000");  // last H p triple: z stored first, written last
  is_master = 0;
  lines = write(5, 5, 1, 0);
  is_master = 1;
  EXPECT_TRUE(lines.empty());
}

}  // namespace
}  // namespace ostrel
