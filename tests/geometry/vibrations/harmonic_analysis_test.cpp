// The harmonic analysis against Psi4 (water of the shared reference set, a linear molecule,
// a symmetric top and a saddle point), the viewer export read back, and the intensity
// invariants against hand values.
#include "geometry/vibrations/harmonic_analysis.hpp"
#include "generated/psi4_vibration_data.hpp"
#include "runtime/records.hpp"
#include "support/model_input.hpp"

namespace ostrel {
namespace {

namespace p4 = testing::psi4;

class Harmonic : public testing::RuntimeTest {
 protected:
  // The records the Hessian step leaves: molecule (bohr, given masses), packed Hessian,
  // energy and, when given, the dipole derivatives.
  template <std::size_t N, std::size_t H>
  void set_up(const std::vector<int>& z, const double (&bohr)[N], const double* masses, const double (&hessian)[H],
              double energy, const double* dipole_x = nullptr) {
    testing::read_test_molecule(testing::bohr_molecule(z, bohr));
    const testing::LoadedMolecule mol;
    for (std::size_t a = 0; a < z.size(); ++a) mol.mass[a] = masses[a];
    store_molecule("Molecule", mol);
    testing::put_reals("Hessian", std::vector<double>(hessian, hessian + H));
    store_put("Energy", energy);
    if (dipole_x) testing::put_reals("DipoleX", std::vector<double>(dipole_x, dipole_x + 3 * N));
  }
  VibrationalReport run(const std::string& input, std::string* printed = nullptr) {
    VibrationalReport r;
    const std::string out =
        testing::captured_stdout([&] { testing::with_stdin(input, [&] { r = harmonic_analysis_report(); }); });
    if (printed) *printed = out;
    return r;
  }
};

double kcal(double hartree) { return hartree * 627.5095; }

// The same Hessian gives the peer's numbers to rounding, so the bounds are tight: a mass unit
// off by 0.06% already moves a 3800 cm^-1 stretch by 1 cm^-1. Frequencies within 0.01 cm^-1;
// thermo rows (translation, rotation, vibration, total): S within 0.002 cal/(mol K), H and G
// within 0.001 kcal/mol.
void expect_peer(const VibrationalReport& r, const double* frequencies, double zpve, const double* s,
                 const double* h, const double* g) {
  for (std::size_t k = 0; k < r.modes.size(); ++k) EXPECT_NEAR(r.modes[k].frequency, frequencies[k], 0.01) << k;
  EXPECT_NEAR(kcal(r.zpve), zpve, 0.001);
  ASSERT_EQ(r.thermo.size(), 1u);
  const ThermoRow* rows[4] = {&r.thermo[0].translation, &r.thermo[0].rotation, &r.thermo[0].vibration,
                              &r.thermo[0].total};
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(rows[k]->entropy, s[k], 0.002) << "row " << k;
    EXPECT_NEAR(rows[k]->enthalpy, h[k], 0.001) << "row " << k;
    EXPECT_NEAR(rows[k]->gibbs, g[k], 0.001) << "row " << k;
  }
}

// IR intensities and reduced masses of every mode against the peer's.
void expect_modes(const VibrationalReport& r, const double* ir, const double* reduced_mass) {
  for (std::size_t k = 0; k < r.modes.size(); ++k) {
    EXPECT_NEAR(r.modes[k].ir, ir[k], 5e-4 * ir[k]) << k;
    EXPECT_NEAR(r.modes[k].reduced_mass, reduced_mass[k], 1e-4) << k;
  }
}

// The Hessian and dipole derivatives of the shared reference set (Psi4 1.3.2, PBE/def2-SVP,
// RI-J, 200 x 974 grid, finite differences) with sigma 2.
TEST_F(Harmonic, WaterMatchesTheSharedPeerReference) {
  set_up({8, 1, 1}, p4::water_bohr, p4::water_masses, p4::water_hessian, p4::water_energy, p4::water_dipole_derivatives);
  std::string out;
  const VibrationalReport r = run("$thermo sigma=2 $end\n", &out);
  ASSERT_EQ(r.modes.size(), 3u);
  expect_peer(r, p4::water_frequencies, p4::water_zpve, p4::water_thermo_S, p4::water_thermo_H, p4::water_thermo_G);
  expect_modes(r, p4::water_ir, p4::water_reduced_masses);
  for (const VibrationalMode& m : r.modes) EXPECT_TRUE(m.raman == 0.0 && m.roa90 == 0.0);  // no polarizability derivatives
  EXPECT_EQ(r.thermo[0].temperature, 298.15);  // the default list
  // Not linear, no electric-dipole listing and no viewer export unless asked for.
  for (const char* absent : {"e. dipole", "linear", "freq>"}) EXPECT_EQ(out.find(absent), std::string::npos) << absent;
}

TEST_F(Harmonic, LinearMoleculeHasFourModesAndTheLinearRotor) {
  set_up({1, 6, 7}, p4::hcn_bohr, p4::hcn_masses, p4::hcn_hessian, p4::hcn_energy, p4::hcn_dipole_derivatives);
  std::string out;
  const VibrationalReport r = run("", &out);
  EXPECT_NE(out.find(" Molecule assumed to be linear\n"), std::string::npos);
  ASSERT_EQ(r.modes.size(), 4u);
  expect_peer(r, p4::hcn_frequencies, p4::hcn_zpve, p4::hcn_thermo_S, p4::hcn_thermo_H, p4::hcn_thermo_G);
  expect_modes(r, p4::hcn_ir, p4::hcn_reduced_masses);
}

TEST_F(Harmonic, SymmetricTopUsesItsSymmetryNumber) {
  set_up({7, 1, 1, 1}, p4::nh3_bohr, p4::nh3_masses, p4::nh3_hessian, p4::nh3_energy);
  const VibrationalReport r = run("$thermo sigma=3 temperature=298.15 $end\n");
  ASSERT_EQ(r.modes.size(), 6u);
  expect_peer(r, p4::nh3_frequencies, p4::nh3_zpve, p4::nh3_thermo_S, p4::nh3_thermo_H, p4::nh3_thermo_G);
}

// Reads the "freq>" block back as a Molden file: frequencies, coordinates, mode vectors.
struct MoldenModes {
  std::vector<double> frequencies, coordinates;
  std::vector<std::vector<double>> modes;
};
MoldenModes read_molden(const std::string& report) {
  MoldenModes m;
  std::string section;
  for (const std::string& tagged : testing::lines_of(report)) {
    if (tagged.rfind("freq>", 0) != 0) continue;
    const std::string line = tagged.substr(5);
    std::istringstream in(line);
    if (line[0] == '[') {
      section = line;
    } else if (section == "[FREQ]") {
      m.frequencies.push_back(std::stod(line));
    } else if (section == "[FR-COORD]") {
      std::string symbol;
      double x, y, z;
      in >> symbol >> x >> y >> z;
      m.coordinates.insert(m.coordinates.end(), {x, y, z});
    } else if (line.rfind("vibration", 0) == 0) {
      m.modes.emplace_back();
    } else {
      double x, y, z;
      in >> x >> y >> z;
      m.modes.back().insert(m.modes.back().end(), {x, y, z});
    }
  }
  return m;
}

TEST_F(Harmonic, SaddlePointFlagsItsImaginaryModeAndExportsItNegative) {
  set_up({7, 1, 1, 1}, p4::nh3ts_bohr, p4::nh3ts_masses, p4::nh3ts_hessian, p4::nh3ts_energy);
  record_put_text(rec::PRINT, "+MOLDEN", 128);
  std::string out;
  const VibrationalReport r = run("$thermo sigma=6 $end\n", &out);
  ASSERT_EQ(r.modes.size(), 6u);
  EXPECT_LT(r.modes[0].frequency, 0);
  char row[32];
  std::snprintf(row, sizeof row, "%7.2lfi|", std::fabs(r.modes[0].frequency));
  EXPECT_NE(out.find(row), std::string::npos);
  // Psi4 leaves the imaginary mode out of the ZPVE and the partition function as well.
  expect_peer(r, p4::nh3ts_frequencies, p4::nh3ts_zpve, p4::nh3ts_thermo_S, p4::nh3ts_thermo_H, p4::nh3ts_thermo_G);

  const MoldenModes m = read_molden(out);
  ASSERT_EQ((std::vector<std::size_t>{m.frequencies.size(), m.modes.size(), m.coordinates.size()}),
            (std::vector<std::size_t>{6, 6, 12}));
  for (int i = 0; i < 12; ++i) EXPECT_NEAR(m.coordinates[i], p4::nh3ts_bohr[i], 1e-7);
  for (int k = 0; k < 6; ++k) {
    EXPECT_NEAR(m.frequencies[k], r.modes[k].frequency, 0.006);
    double norm = 0;
    for (double c : m.modes[k]) norm += c * c;
    EXPECT_NEAR(norm, 1.0, 1e-6);
  }
  // The inversion: the nitrogen leaves the molecular plane (yz) along the C3 axis.
  EXPECT_GT(std::fabs(m.modes[0][0]), 0.1);
  EXPECT_LT(std::fabs(m.modes[0][1]) + std::fabs(m.modes[0][2]), 1e-6);
}

TEST_F(Harmonic, ThermoListStopsAtTheFirstNegativeTemperature) {
  set_up({8, 1, 1}, p4::water_bohr, p4::water_masses, p4::water_hessian, p4::water_energy);
  std::string out;
  const VibrationalReport r = run("$thermo temperature=100,298.15,1000,-1,500 $end\n", &out);
  ASSERT_EQ(r.thermo.size(), 3u);
  EXPECT_EQ(r.thermo[2].temperature, 1000.0);
  // Entropy and enthalpy grow with the temperature.
  EXPECT_LT(r.thermo[0].total.entropy, r.thermo[1].total.entropy);
  EXPECT_LT(r.thermo[1].total.enthalpy, r.thermo[2].total.enthalpy);
  EXPECT_FATAL(run("$thermo sigma=0 $end\n"), "sigma");
}

TEST_F(Harmonic, AnAtomHasNoModesAndOnlyTranslationalThermochemistry) {
  const double bohr[3] = {0, 0, 0}, mass[1] = {39.948}, hessian[6] = {};
  set_up({18}, bohr, mass, hessian, 0.0);
  const VibrationalReport r = run("");
  EXPECT_EQ((std::vector<std::size_t>{std::size_t(r.external), r.modes.size()}), (std::vector<std::size_t>{3, 0}));
  ASSERT_EQ(r.thermo.size(), 1u);
  // Argon, NIST-JANAF: S(298.15 K, 1 bar) = 154.845 J/(mol K); at 101325 Pa R ln(1.01325) less.
  EXPECT_NEAR(r.thermo[0].total.entropy, (154.845 - 8.314462618 * std::log(1.01325)) / 4.184, 0.01);
  EXPECT_EQ(std::fabs(r.thermo[0].rotation.entropy) + std::fabs(r.thermo[0].vibration.enthalpy), 0.0);
}

TEST(Intensities, RamanAndOpticalActivityInvariantsMatchHandValues) {
  // alpha: xx 1, xy 0.5, yy 2, xz 0, yz -1, zz 3: mean 2, anisotropy 6.75.
  const double alpha[6] = {1, 0.5, 2, 0, -1, 3};
  double activity, ratio;
  raman_invariants(alpha, &activity, &ratio);
  EXPECT_NEAR(activity, 227.25, 1e-12);
  EXPECT_NEAR(ratio, 20.25 / 207, 1e-15);
  const double zero[6] = {};
  raman_invariants(zero, &activity, &ratio);
  EXPECT_EQ(ratio, 0.0);

  // G': diagonal 0.1, 0.2, 0.3 and G'_xy = 0.05: beta(G')^2 = 1.5 * 1.425 - 0.5 * 6 * 0.6.
  // A: only A_x,yz = 1: sum alpha_ij eps_ikl A_k,lj = alpha_zz - alpha_yy = 1.
  double g[9] = {0.1, 0, 0, 0.05, 0.2, 0, 0, 0, 0.3}, a[18] = {};
  a[3 * 4 + 0] = 1;
  double roa90, roa180;
  std::string out = testing::captured_stdout([&] { roa_invariants(alpha, g, a, 0.1, &roa90, &roa180); });
  const double d = 3 * 137.0359895 * 6.75, beta_g = 0.3375, beta_a = 0.15;
  EXPECT_NEAR(roa90, -(6 * beta_g - 2 * beta_a) / d, 1e-15);
  EXPECT_NEAR(roa180, -(24 * beta_g + 8 * beta_a) / d, 1e-15);
  EXPECT_EQ(out, " aa=  6.7500000000 ab=  0.3375000000 aq=  0.1500000000\n");
  // An isotropic tensor has no anisotropy to divide by: no difference.
  const double isotropic[6] = {1, 0, 1, 0, 0, 1};
  testing::captured_stdout([&] { roa_invariants(isotropic, g, a, 0.1, &roa90, &roa180); });
  EXPECT_EQ((std::vector<double>{roa90, roa180}), (std::vector<double>{0, 0}));
}

}  // namespace
}  // namespace ostrel
