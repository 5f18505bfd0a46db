// The SCF gradient of converged Kohn-Sham runs against Psi4's analytic gradients and against
// central differences of our own SCF energy (grid orders and orientations held fixed, the
// atomic grids carried by their atoms).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "input/element_table.hpp"
#include "linalg/eigen_symmetric.hpp"
#include "model/basis_input.hpp"
#include "model/ecp_input.hpp"
#include "model/molecule_input.hpp"
#include "model/molecule_record.hpp"
#include "runtime/store.hpp"
#include "scf/atomic_calculations.hpp"
#include "scf/grid_options.hpp"
#include "scf/nuclear_gradient.hpp"
#include "scf/scf_one_electron.hpp"
#include "scf/scf_options.hpp"
#include "scf/scf_procedure.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

const std::string kDef2 = std::string(OSTREL_SOURCE_DIR) + "/data/basis/def2";

std::vector<double> doubles(const char* name) {
  std::vector<double> v(static_cast<std::size_t>(store_size(name)) / 8);
  store_get_array<double>(name, std::span<double>(v));
  return v;
}

struct Job {
  std::string atoms;     // "Z x y z" lines, angstrom
  int charge = 0, multiplicity = 1;
  int fit = 'J';
  std::string groups;    // scf, dft, grid groups
  bool ecp = false;
  double field[3] = {0.0, 0.0, 0.0};
};

class ScfGradient : public testing::RuntimeTest {
 protected:
  void prepare(const Job& s) {
    char head[128];
    std::snprintf(head, sizeof head, "$molecule cartesian\n charge=%d mult=%d\n set=def2-SVP\n", s.charge,
                  s.multiplicity);
    const std::string text = std::string(head) + s.atoms + "$end\n";
    char theory[64] = "DFT";
    store_write("theory", 0, theory, 64);
    store_put("four", 0);
    store_put("fit", s.fit);
    ::testing::internal::CaptureStdout();
    testing::with_stdin(text, [] { ASSERT_EQ(read_molecule("Molecule", "", "molecule", 1, 0), 0); });
    if (s.ecp) read_core_potentials(kDef2.c_str());
    if (!store_exists("Necp")) {
      const int none[2] = {0, 0};
      store_write("Necp", 0, none, 8);
    }
    read_basis(kDef2.c_str(), "basis", "Basis", "Nbasis", "n_basis", 0, 0, 0);
    read_basis(kDef2.c_str(), "basis2", "Basis2", "Nfit", "n_fit", 0, 0, s.fit == 'V');
    store_put("Nbasis1", 0);
    store_write("field", 0, s.field, 24);
    testing::InputFile none("");
    build_element_table("Atoms", none.get());
    testing::InputFile groups(s.groups);
    scf_setup_options(groups.get());
    testing::InputFile grid(s.groups);
    grid_setup_options(grid.get());
    atomic_calculations();
    core_guess();
    ::testing::internal::GetCapturedStdout();
  }

  // Start orbitals: eigenvectors of H0 in the overlap metric (canonical orthogonalisation).
  static void core_guess() {
    scf_one_electron_setup();
    const int n = store_get<int>("Nbasis");
    std::vector<double> s = doubles("S"), h = doubles("H0");
    std::vector<double> u(static_cast<std::size_t>(n) * n), e(n);
    eigen_symmetric(s.data(), u.data(), e.data(), n);
    std::vector<double> x(static_cast<std::size_t>(n) * n);  // column k: u_k / sqrt(e_k)
    for (int k = 0; k < n; ++k)
      for (int i = 0; i < n; ++i) x[k * n + i] = u[k * n + i] / std::sqrt(e[k]);
    std::vector<double> hp;
    for (int a = 0; a < n; ++a)
      for (int b = 0; b <= a; ++b) {
        double v = 0.0;
        for (int i = 0; i < n; ++i)
          for (int j = 0; j < n; ++j)
            v += x[a * n + i] * h[i > j ? i * (i + 1) / 2 + j : j * (j + 1) / 2 + i] * x[b * n + j];
        hp.push_back(v);
      }
    std::vector<double> w(static_cast<std::size_t>(n) * n), c(static_cast<std::size_t>(n) * n, 0.0);
    eigen_symmetric(hp.data(), w.data(), e.data(), n);
    for (int k = 0; k < n; ++k)
      for (int i = 0; i < n; ++i)
        for (int a = 0; a < n; ++a) c[k * n + i] += x[a * n + i] * w[k * n + a];
    store_write("Ca", 0, c.data(), 8L * n * n);
    store_write("Cb", 0, c.data(), 8L * n * n);
    store_put("scf_Gmax", 1.0);
  }

  static std::string quiet(void (*body)()) {
    ::testing::internal::CaptureStdout();
    testing::FatalTrap trap;
    try {
      body();
    } catch (const testing::FatalStop& stop) {
      const std::string out = ::testing::internal::GetCapturedStdout();
      ADD_FAILURE() << stop.what() << "\n" << out;
      return out;
    }
    return ::testing::internal::GetCapturedStdout();
  }

  // Converged energy and gradient at the current geometry.
  std::vector<double> gradient(double* energy) {
    const std::string out = quiet(scf_run);
    EXPECT_NE(out.find("converged"), std::string::npos) << out;
    *energy = store_get<double>("Energy");
    const std::string g = quiet(scf_nuclear_gradient);
    last_output = g;
    return doubles("Gradient");
  }

  static void move_atom_coordinate(int i, double delta) {
    Molecule mol = load_molecule(0, "Molecule");
    const int n = mol.n_atoms;
    mol.xyz[i] += delta;
    store_write("Molecule", molecule_charge_offset(n) - 24L * n, mol.xyz, 24L * n);
    release_molecule(mol);
  }

  // Central differences of the SCF energy, started from the converged orbitals on the
  // final grid with the grid orders kept.
  std::vector<double> differences(int n3, double h) {
    store_put("grid_adapt", 0);
    const std::vector<double> ca = doubles("Ca"), cb = doubles("Cb");
    std::vector<double> fd(n3);
    for (int i = 0; i < n3; ++i) {
      double e[2];
      for (int side = 0; side < 2; ++side) {
        move_atom_coordinate(i, side ? -h : h);
        store_write("Ca", 0, ca.data(), 8L * ca.size());
        store_write("Cb", 0, cb.data(), 8L * cb.size());
        store_put("scf_Gmax", 0.0);
        const std::string out = quiet(scf_run);
        EXPECT_NE(out.find("converged"), std::string::npos) << out;
        e[side] = store_get<double>("Energy");
        move_atom_coordinate(i, side ? h : -h);
      }
      fd[i] = (e[0] - e[1]) / (2 * h);
    }
    return fd;
  }

  void check_psi4(const char* atoms, const double* reference, int n3);
  void check_differences(const Job& s, int n3, double tolerance);
  std::string last_output;
};

// Psi4 1.3.2 geometries (angstrom) and analytic gradients (hartree/bohr): PBE, def2-SVP,
// df_basis_scf def2-universal-jfit, RKS, 200 x 974 grid, no grid-weight derivative.
const char* kWaterPsi4 = " 8 0.01 -0.02 0.11\n 1 0.03 0.8 -0.48\n 1 -0.05 -0.72 -0.43\n";
const double kWaterPsi4Gradient[9] = {
    -0.008686618631466199, -0.1167724053982089,  -0.05792963338997453,
    0.0009956606438972174, 0.03048891344463983,  -0.01580969949170144,
    0.007690983274487504,  0.08628374786729498,  0.07373961178419056};
const char* kAmmoniaPsi4 =
    " 7 0.02 -0.01 0.03\n 1 0.0 0.98 0.35\n 1 0.87 -0.46 0.3\n 1 -0.83 -0.52 0.42\n";
const double kAmmoniaPsi4Gradient[12] = {
    0.04584784432782091,   -0.009539826917474716, 0.0067109614175631105,
    -0.0016661563373360708, 0.015128173519558696, -0.0007430983552425968,
    -0.01645866473752028,  0.009087115393549644,  -0.012280289946721354,
    -0.02772302840856386,  -0.014675487527085779, 0.006312477469635078};

const char* kTightOrbital =
    "$scf fitxc=0 convergence=1e-9 $end $dft functional=pbe $end $grid accuracy=1e-10 nradial=150,150,150,150,150,150,150,150 $end";

void ScfGradient::check_psi4(const char* atoms, const double* reference, int n3) {
  Job s;
  s.atoms = atoms;
  s.groups = kTightOrbital;
  prepare(s);
  double energy = 0.0;
  const std::vector<double> g = gradient(&energy);
  ASSERT_EQ(static_cast<int>(g.size()), n3);
  double worst = 0.0, sum[3] = {0.0, 0.0, 0.0};
  for (int i = 0; i < n3; ++i) {
    worst = std::max(worst, std::fabs(g[i] - reference[i]));
    sum[i % 3] += g[i];
    EXPECT_NEAR(g[i], reference[i], 1e-5) << i;
  }
  for (double v : sum) EXPECT_NEAR(v, 0.0, 1e-6);
  std::printf("   [%d atoms: E = %.10f, max |g - Psi4| = %.2e]\n", n3 / 3, energy, worst);
}

void ScfGradient::check_differences(const Job& s, int n3, double tolerance) {
  prepare(s);
  double energy = 0.0;
  const std::vector<double> g = gradient(&energy);
  const std::vector<double> fd = differences(n3, 1e-3);
  double worst = 0.0;
  for (int i = 0; i < n3; ++i) {
    worst = std::max(worst, std::fabs(g[i] - fd[i]));
    EXPECT_NEAR(g[i], fd[i], tolerance) << i;
  }
  std::printf("   [max |analytic - FD| = %.2e]\n", worst);
}

TEST_F(ScfGradient, WaterOrbitalDensityModelAgreesWithPsi4) { check_psi4(kWaterPsi4, kWaterPsi4Gradient, 9); }
TEST_F(ScfGradient, AmmoniaOrbitalDensityModelAgreesWithPsi4) {
  check_psi4(kAmmoniaPsi4, kAmmoniaPsi4Gradient, 12);
}

TEST_F(ScfGradient, WaterOrbitalDensityModelAgreesWithDifferences) {
  Job s;
  s.atoms = kWaterPsi4;
  s.groups = "$scf fitxc=0 convergence=1e-9 $end $dft functional=pbe $end $grid accuracy=1e-6 $end";
  check_differences(s, 9, 1e-5);
}

TEST_F(ScfGradient, WaterFittedDensityModelAgreesWithDifferences) {
  Job s;
  s.atoms = kWaterPsi4;
  s.fit = 'V';
  s.groups = "$scf convergence=1e-9 $end $dft functional=pbe $end $grid accuracy=1e-6 $end";
  check_differences(s, 9, 1e-5);
}

}  // namespace
}  // namespace ostrel
