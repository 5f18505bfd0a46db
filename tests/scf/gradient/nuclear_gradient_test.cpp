// The SCF gradient of converged Kohn-Sham runs against Psi4's analytic gradients and against
// central differences of our own SCF energy (grid orders and orientations held fixed, the
// atomic grids carried by their atoms).
#include "scf/gradient/nuclear_gradient.hpp"
#include "scf/procedure/scf_test_system.hpp"

namespace ostrel {
namespace {

using testing::get_reals;

struct Job {
  std::string atoms;     // "Z x y z" lines, angstrom
  int charge = 0, multiplicity = 1;
  int fit = 'J';
  std::string groups;    // scf, dft, grid groups
  double field[3] = {0.0, 0.0, 0.0};
};

class ScfGradient : public testing::ScfSystem {
 protected:
  // Control step, common set-up and initial guess for the job, as a gradient request.
  void prepare(const Job& s) {
    char head[256];
    std::snprintf(head, sizeof head,
                  "$control task=gradient theory=dft basis=def2-svp fit=%c field=%.6f,%.6f,%.6f $end\n"
                  "$molecule charge=%d mult=%d\n cartesian\n",
                  s.fit, s.field[0], s.field[1], s.field[2], s.charge, s.multiplicity);
    const std::string input = std::string(head) + s.atoms + "$end\n" + s.groups + "\n";
    run([&] {
      testing::with_stdin(input, [] {
        control_step(stdin);
        common_setup("GRADIENT", stdin);
      });
      initial_guess();
    });
  }

  // Converged energy and gradient at the current geometry.
  std::vector<double> gradient(double* energy) {
    const std::string out = run(scf_run);
    EXPECT_NE(out.find("converged"), std::string::npos) << out;
    *energy = store_get<double>("Energy");
    // The fitting terms work on copies of the potential vectors.
    const bool fitted = store_get<int>("fitxc") != 0;
    std::vector<double> fa, fb;
    if (fitted) {
      fa = get_reals("fa");
      fb = get_reals("fb");
    }
    const std::string g = run(scf_nuclear_gradient);
    if (fitted) {
      EXPECT_EQ(get_reals("fa"), fa);
      EXPECT_EQ(get_reals("fb"), fb);
    }
    EXPECT_EQ(g.find("ECP Gradient") != std::string::npos, store_get<int>("Necp") != 0) << g;
    return get_reals("Gradient");
  }

  static void move_atom_coordinate(int i, double delta) {
    const testing::LoadedMolecule mol;
    const int n = mol.n_atoms;
    mol.xyz[i] += delta;
    store_write("Molecule", molecule_charge_offset(n) - 24L * n, mol.xyz, 24L * n);
  }

  // Central differences of the SCF energy, started from the converged orbitals on the
  // final grid with the grid orders kept.
  std::vector<double> differences(const std::vector<int>& coordinates, double h) {
    store_put("grid_adapt", 0);
    const std::vector<double> ca = get_reals("Ca"), cb = get_reals("Cb");
    std::vector<double> fd;
    for (int i : coordinates) {
      double e[2];
      for (int side = 0; side < 2; ++side) {
        move_atom_coordinate(i, side ? -h : h);
        testing::put_reals("Ca", ca);
        testing::put_reals("Cb", cb);
        store_put("scf_Gmax", 0.0);
        const std::string out = run(scf_run);
        EXPECT_NE(out.find("converged"), std::string::npos) << out;
        e[side] = store_get<double>("Energy");
        move_atom_coordinate(i, side ? h : -h);
      }
      fd.push_back((e[0] - e[1]) / (2 * h));
    }
    return fd;
  }

  // The gradient at the job's geometry against Psi4's (when given) and against central
  // differences of the energy along the given coordinates; the forces on a neutral molecule
  // sum to zero.
  std::vector<double> check(const Job& s, const double* psi4, std::vector<int> coordinates, double step = 1e-3) {
    prepare(s);
    double energy = 0.0;
    const std::vector<double> g = gradient(&energy);
    const int n3 = static_cast<int>(g.size());
    double sum[3] = {0.0, 0.0, 0.0};
    for (int i = 0; i < n3; ++i) {
      sum[i % 3] += g[i];
      if (psi4) {
        EXPECT_NEAR(g[i], psi4[i], 1e-5) << i;
      }
    }
    for (double v : sum) EXPECT_NEAR(v, 0.0, psi4 ? 1e-6 : 1e-7);
    const std::vector<double> fd = differences(coordinates, step);
    for (std::size_t k = 0; k < coordinates.size(); ++k) EXPECT_NEAR(g[coordinates[k]], fd[k], 1e-5) << k;
    return g;
  }
};

// Psi4 1.3.2 geometries (angstrom) and analytic gradients (hartree/bohr): PBE, def2-SVP,
// df_basis_scf def2-universal-jfit, RKS, 200 x 974 grid, no grid-weight derivative.
const char* kWaterPsi4 = " 8 0.01 -0.02 0.11\n 1 0.03 0.8 -0.48\n 1 -0.05 -0.72 -0.43\n";
const double kWaterPsi4Gradient[9] = {
    -0.008686618631466199, -0.1167724053982089,  -0.05792963338997453,
    0.0009956606438972174, 0.03048891344463983,  -0.01580969949170144,
    0.007690983274487504,  0.08628374786729498,  0.07373961178419056};
const char* kTightOrbital =
    "$scf fitxc=0 convergence=1e-9 $end $dft functional=pbe $end $grid accuracy=1e-10 nradial=150,150,150,150,150,150,150,150 $end";
const char* kOrbital = "$scf fitxc=0 convergence=1e-9 $end $dft functional=pbe $end $grid accuracy=1e-6 $end";
const char* kFitted = "$scf convergence=1e-9 $end $dft functional=pbe $end $grid accuracy=1e-6 $end";

Job water(int fit, const char* groups) { return {kWaterPsi4, 0, 1, fit, groups}; }

TEST_F(ScfGradient, OrbitalDensityModelAgreesWithPsi4) { check(water('J', kTightOrbital), kWaterPsi4Gradient, {}); }

TEST_F(ScfGradient, WaterOrbitalAndFittedDensityModelsAgreeWithDifferences) {
  check(water('J', kOrbital), nullptr, {0, 1, 2, 3, 4, 5, 6, 7, 8});
  restart();
  check(water('V', kFitted), nullptr, {0, 1, 2, 3, 4, 5, 6, 7, 8});
}

// A fit code other than J with the orbital-density model: the Coulomb energy and its
// gradient from four-centre integrals.
TEST_F(ScfGradient, ExactCoulombAgreesWithDifferences) { check(water('V', kOrbital), nullptr, {0, 4, 8}); }

// OH radical, unrestricted, the hydrogen's coordinates (the orbital-density model of an open
// shell is compared with Psi4 in the SCF tests).
Job hydroxyl(bool fitted) {
  return {" 8 0.0 0.0 0.0\n 1 0.08 -0.05 0.97\n", 0, 2, fitted ? 'V' : 'J',
          std::string("$scf iterations=60 ") + (fitted ? "" : "fitxc=0 ") +
              "convergence=1e-9 $end $dft functional=blyp $end $grid accuracy=1e-6 $end"};
}
TEST_F(ScfGradient, HydroxylRadicalFittedDensityAgreesWithDifferences) { check(hydroxyl(true), nullptr, {3, 4, 5}); }

// Restricted open shell (BFGS), orbital-density model.
TEST_F(ScfGradient, RestrictedOpenShellAgreesWithDifferences) {
  Job s = hydroxyl(false);
  s.groups = "$scf restrict=1 procedure=bfgs iterations=100 fitxc=0 convergence=1e-9 $end "
             "$dft functional=blyp $end $grid accuracy=1e-6 $end";
  check(s, nullptr, {3, 4, 5});
}

// The overlap-metric fit with its exact charge constraint: the overlap-type terms with the
// multipliers, closed and open shell.
TEST_F(ScfGradient, OverlapMetricFitClosedShellAgreesWithDifferences) {
  check(water('S', "$scf n3fit=1 convergence=1e-9 $end $dft functional=pbe $end $grid accuracy=1e-6 $end"),
        nullptr, {0, 4, 8});
}
// The amino radical: its singly occupied orbital is not degenerate, so the differences do
// not depend on where in a degenerate pair the SCF stops (the hydroxyl's pi hole turns by
// 1e-7 hartree with the grid's anisotropy).
TEST_F(ScfGradient, OverlapMetricFitOpenShellAgreesWithDifferences) {
  Job s{" 7 0.0 0.0 0.0\n 1 0.0 0.95 0.45\n 1 0.05 -0.93 0.40\n", 0, 2, 'S',
        "$scf n3fit=1 iterations=60 convergence=1e-9 $end $dft functional=blyp $end $grid accuracy=1e-6 $end"};
  check(s, nullptr, {3, 4, 5});
}

// Methyl iodide with the iodine core potential (default fitted model). Its energy
// differences scatter by a few 1e-6 hartree/bohr with the step (screening of the fit pairs
// and functions), so the step is longer here.
TEST_F(ScfGradient, MethylIodideWithCorePotentialAgreesWithDifferences) {
  const char* atoms =
      " 6 0.0 0.0 0.0\n 53 0.05 -0.03 2.16\n 1 1.03 0.0 -0.36\n 1 -0.52 0.9 -0.33\n 1 -0.5 -0.86 -0.38\n";
  check({atoms, 0, 1, 'V', kFitted}, nullptr, {2, 3, 5, 7}, 2e-3);
}

// A field along z changes the gradient through the dipole derivatives and the nuclear
// charges; the forces on the neutral molecule still sum to zero.
TEST_F(ScfGradient, WaterInAFieldAgreesWithDifferences) {
  Job s = water('V', kFitted);
  s.field[2] = 0.001;
  const std::vector<double> g = check(s, nullptr, {1, 2, 5});
  // The same water without the field: the field moves the oxygen's z force by more than 1e-4.
  testing::put_reals("field", {0.0, 0.0, 0.0});
  double energy = 0.0;
  const std::vector<double> g0 = gradient(&energy);
  EXPECT_GT(std::fabs(g[2] - g0[2]), 1e-4);
}

}  // namespace
}  // namespace ostrel
