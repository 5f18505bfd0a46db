// The SCF result report from records filled by hand: exact energy, dipole and orbital-energy
// blocks, the print options that switch listings on and off, and a Molden section that reads
// back to the right electron count.
#include "scf/procedure/scf_report.hpp"

#include <utility>

#include "scf/procedure/scf_test_system.hpp"

namespace ostrel {
namespace {

class ScfReport : public testing::RuntimeTest {
 protected:
  static constexpr int n = 20;
  void SetUp() override {
    RuntimeTest::SetUp();
    testing::put_ints("Natom", {3, 0});
    store_put("Nbasis", n);
    set_electrons(10, 10, 1);
    store_put("four", 0);
    store_put("fit", 1);
    const std::pair<const char*, double> energies[] = {{"Energy", -76.3724567891}, {"ET", 75.98765432},
                                                       {"Ev", -199.12345678},  {"EJ", 46.87654321},
                                                       {"Ex", -9.0123456789},  {"Ec", -0.33344455}};
    for (const auto& [name, value] : energies) testing::put_reals(name, {value});
    testing::put_reals("Dipole", {0.3, 0.0, -0.4, 0, 0, 0, 0, 0, 0});
    std::vector<double> ea(n), eb(n);
    for (int i = 0; i < n; ++i) {
      ea[i] = -19.0 + 1.25 * i;
      eb[i] = -18.5 + 1.25 * i;
    }
    testing::put_reals("ea", ea);
    testing::put_reals("eb", eb);
    set_print("");
  }
  void set_electrons(int na, int nb, int restricted) {
    store_put("Na", na);
    store_put("Nb", nb);
    store_put("restrict", restricted);
  }
  void set_print(const char* text) { store_put_text("PRINT", text, 128); }
  std::string report(const char* theory = "DFT") {
    const std::int64_t before = pool_available();
    const std::string out = testing::captured_stdout([&] { scf_report(theory); });
    EXPECT_EQ(pool_available(), before);
    return out;
  }
};

const std::string kEnergyBlock =
    "\n  E  =     -76.37245679\n  T  =      75.98765432  V  =    -199.12345678  J  =      46.87654321\n"
    "  Ex =      -9.01234568  Ec =      -0.33344455\n"
    "\n  dipole =   0.500000 au (  1.270883 D)\n";

// Eight highest occupied (3..10) and eight lowest virtual (11..18) alpha energies.
const std::string kShortAlpha =
    "\n One-Electron Energies (alpha)\n occupied:"
    "\n   3   -16.500000    4   -15.250000    5   -14.000000    6   -12.750000"
    "\n   7   -11.500000    8   -10.250000    9    -9.000000   10    -7.750000"
    "\n virtual:"
    "\n  11    -6.500000   12    -5.250000   13    -4.000000   14    -2.750000"
    "\n  15    -1.500000   16    -0.250000   17     1.000000   18     2.250000\n";

// The dipole 0.5 au is 1.270883 D. DFT lists eight orbitals either side of the gap, other
// theories or +ENERGIES all, -ENERGIES none; MOLDEN alone changes nothing; beta has its own
// occupation; listings without code or data say so in a line.
TEST_F(ScfReport, EnergiesDipoleOrbitalListsAndPrintOptions) {
  EXPECT_EQ(report(), kEnergyBlock + kShortAlpha);
  set_print("MOLDEN");
  EXPECT_EQ(report(), kEnergyBlock + kShortAlpha);
  set_print("-ENERGIES+VDW+EFG+ESR+FIT+GRID");
  EXPECT_EQ(report(), kEnergyBlock +
                          "\n print option VDW: this analysis is not available in this build\n"
                          "\n no fitted density to analyse\n"
                          "\n no integration grid to print\n"
                          "\n print option EFG: this analysis is not available in this build\n");
  set_print("");
  set_electrons(3, 3, 1);
  const std::string all = "\n One-Electron Energies (alpha)\n occupied:"
                          "\n   1   -19.000000    2   -17.750000    3   -16.500000\n virtual:";
  const std::string out = report("HF");
  ASSERT_EQ(out.rfind(kEnergyBlock + all, 0), 0u) << out;
  EXPECT_NE(out.find("  20     4.750000\n"), std::string::npos);  // the last virtual
  set_print("+ENERGIES");
  EXPECT_EQ(report(), out);
  set_print("");
  set_electrons(18, 18, 1);
  EXPECT_NE(report().find("\n virtual:\n  19     3.500000   20     4.750000\n"), std::string::npos);
  // Beta: highest occupied 2..9, lowest virtual 10..17 of its own energies.
  set_electrons(10, 9, 0);
  const std::string open = report();
  EXPECT_NE(open.find(kShortAlpha + "\n One-Electron Energies (beta)\n occupied:\n   2   -17.250000 "),
            std::string::npos);
  EXPECT_NE(open.find("    9    -8.500000\n virtual:\n  10    -7.250000 "), std::string::npos) << open;
  EXPECT_EQ(open.rfind("   17     1.500000\n"), open.size() - 19) << open;
}

// Water in def2-SVP with S-orthonormal orbitals; restricted with 5 alpha and 4 beta electrons.
class ScfReportLocalize : public testing::RuntimeTest {
 protected:
  static constexpr int n = 24;
  void SetUp() override {
    RuntimeTest::SetUp();
    testing::read_test_model(testing::molecule_group(testing::kWaterAtoms), testing::FitSet::none);
    s = testing::overlap_matrix();
    ASSERT_EQ(store_get<int>("Nbasis"), n);
    // S-orthonormal orbitals: eigenvectors of some symmetric matrix in the overlap metric.
    std::vector<double> f(s.size()), e(n);
    for (int i = 0, k = 0; i < n; ++i)
      for (int j = 0; j <= i; ++j, ++k) f[k] = i == j ? i : 0.2 * std::sin(1.0 + i + 2.0 * j);
    c = testing::roothaan(n, f, s);
    for (int k = 0; k < n; ++k) e[k] = -20.0 + k;
    testing::put_reals("Ca", c);
    testing::put_reals("ea", e);
    testing::put_ints("Natom", {3, 0});
    store_put("Na", 5);
    store_put("Nb", 4);
    store_put("restrict", 1);
    store_put("four", 0);
    for (const char* name : {"Energy", "ET", "Ev", "EJ", "Ex", "Ec"}) testing::put_reals(name, {0.0});
    testing::put_reals("Dipole", {0, 0, 0});
  }
  std::string report(const char* print) {
    store_put_text("PRINT", print, 128);
    return testing::captured_stdout([&] { scf_report("DFT"); });
  }
  std::vector<double> s, c;
};

// Localisation turns the occupied orbitals among themselves: same density, still
// S-orthonormal; with "Fa" = S every Fock expectation value is 1.
TEST_F(ScfReportLocalize, LocalizedOrbitalsKeepTheDensity) {
  testing::put_reals("Fa", s);
  const std::string out = report("-ENERGIES+LOCALIZE+MOLDEN");
  ASSERT_NE(out.find("\n Localized orbitals\n  tmax = "), std::string::npos) << out.substr(0, 400);
  const std::vector<double> loc = testing::get_reals("loc_Cna"), e = testing::get_reals("loc_ea");
  ASSERT_EQ(loc.size(), 5u * n);
  EXPECT_LT(testing::max_difference(testing::density(n, 5, loc), testing::density(n, 5, c)), 1e-10);
  EXPECT_LT(testing::orthonormality_error(n, loc.data(), s.data(), 5), 1e-10);
  EXPECT_GT(testing::max_difference(loc, c), 1e-3);  // the sweeps did turn the orbitals
  for (int k = 0; k < 5; ++k) EXPECT_NEAR(e[k], 1.0, 1e-10);
  // Molden section of the occupied localised orbitals only: 5 orbitals, 4 doubly and one
  // singly occupied (5 alpha, 4 beta electrons).
  EXPECT_EQ(testing::occurrences(out, "mos>Occup=2.00000000\n"), 4);
  EXPECT_EQ(testing::occurrences(out, "mos>Occup="), 5);
  EXPECT_EQ(out.find("mos>Occup=0"), std::string::npos);
  EXPECT_NE(out.find("mos>Occup=1.00000000\n"), std::string::npos);
}

}  // namespace
}  // namespace ostrel
