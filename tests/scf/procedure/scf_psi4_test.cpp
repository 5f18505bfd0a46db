// Whole runs against Psi4 in the model it shares with this program (Coulomb fitted in the
// Coulomb metric, fit=J; exchange-correlation from the orbital density, fitxc=0; grid
// accuracy 1e-10): energies and gradients of further molecules, then radicals and other hard
// cases. Each radical lands within 1e-6 of Psi4's energy (convergence 1e-8); with every option
// at its default (fitted exchange-correlation, Newton steps) each converges to the ground
// state of that model: not above the energy a BFGS run to 1e-8 reaches. Degenerate open
// shells (the pi pairs of OH and NO) are the hard part: a soft rotation of the hole and steps
// that overshoot along it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "runtime/store.hpp"
#include "scf/gradient/nuclear_gradient.hpp"
#include "scf/procedure/scf_test_system.hpp"
#include "support/molecules.hpp"

namespace ostrel {
namespace {

// Psi4 1.3.2 (libxc 5.2.3): def2-SVP (pure),
// scf_type df, df_basis_scf def2-svp-jfit (= def2-universal-jfit), 200 x 974 unpruned grid,
// e_convergence 1e-10, d_convergence 1e-9, RKS/UKS as the multiplicity says; coordinates in
// angstrom as written. Gradients are Psi4's analytic ones (hartree/bohr, atom by atom).
struct Case {
  const char* name;
  const char* functional;
  const char* molecule;
  double energy;
  std::vector<double> gradient;
};

const Case kCases[] = {
    {"CH2_triplet", "pbe",
     "$molecule charge=0 multiplicity=3\n cartesian\n 6 0 0 0.1\n 1 0 0.99 -0.4\n 1 0 -0.99 -0.4\n$end\n",
     -39.05842012509761,
     {1.44200405032402e-13, -1.0880028651934e-13, 0.0149559064301995, -9.50661435723097e-17, 0.0022705058171448, -0.00747794897910585, 2.10283140258787e-15, -0.00227050581700206, -0.00747794897903908}},
    {"NO", "blyp",
     "$molecule charge=0 multiplicity=2\n cartesian\n 7 0 0 0\n 8 0 0 1.15\n$end\n",
     -129.78027030973499,
     {-1.87261029631518e-14, -4.234836988918e-14, 0.0317152678563404, 1.9110175880167e-13, -9.08687062671431e-14, -0.0317152704435595}},
    {"OH_minus", "pbe",
     "$molecule charge=-1 multiplicity=1\n cartesian\n 8 0 0 0\n 1 0 0 0.97\n$end\n",
     -75.57471996933543,
     {-2.15105608084091e-14, -2.68221729802587e-14, 0.0222750179723974, -2.93547218306418e-15, 5.53062908808334e-17, -0.0222749570127067}},
    {"NH3_plus", "pbe",
     "$molecule charge=1 multiplicity=2\n cartesian\n 7 0 0 0\n 1 0 1.02 0\n 1 0.8833 -0.51 0\n 1 -0.8833 -0.51 0\n$end\n",
     -56.06903578456993,
     {8.76570215025011e-14, -3.01823177074213e-05, -2.7704216519889e-14, -4.14440179156056e-14, -0.017516581845985, 2.32504525549708e-16, -0.0152020429194587, 0.00877332835110423, 5.68348411366915e-16, 0.0152020429193937, 0.00877332835111447, 1.81978244718621e-16}},
};

const Case& find(const char* name) {  // every name below is in the table
  for (const Case& c : kCases)
    if (std::string(c.name) == name) return c;
  return kCases[0];
}

std::string input(const Case& c, const char* task) {
  return std::string("$control task=") + task + " theory=dft basis=def2-svp fit=J $end\n" + c.molecule +
         "$dft functional=" + c.functional + " $end\n$scf fitxc=0 convergence=1e-8 $end\n$grid accuracy=1e-10 $end\n";
}

class ScfPsi4 : public testing::RuntimeTest {
 protected:
  void energy(const char* name) {
    const Case& c = find(name);
    const std::string out = testing::run_input(input(c, "energy"));
    EXPECT_NE(out.find(" converged!\n"), std::string::npos) << out;
    EXPECT_NEAR(store_get<double>("Energy"), c.energy, 2e-6) << name;
  }
  void gradient(const char* name) {
    const Case& c = find(name);
    const std::string out = testing::run_input(input(c, "gradient"));
    EXPECT_NE(out.find(" converged!\n"), std::string::npos) << out;
    EXPECT_NEAR(store_get<double>("Energy"), c.energy, 2e-6) << name;
    testing::captured_stdout([&] { scf_nuclear_gradient(); });
    std::vector<double> g(c.gradient.size());
    store_read("Gradient", 0, g.data(), 8 * static_cast<std::int64_t>(g.size()));
    // Psi4 leaves out the derivative of the grid weights (a few 1e-6 on this grid).
    for (std::size_t k = 0; k < g.size(); ++k) EXPECT_NEAR(g[k], c.gradient[k], 1e-5) << name << " " << k;
  }
};

TEST_F(ScfPsi4, HydroxideAnion) { energy("OH_minus"); }
TEST_F(ScfPsi4, AmmoniaCationUnrestricted) { energy("NH3_plus"); }
TEST_F(ScfPsi4, NitricOxideBlypUnrestricted) { energy("NO"); }
TEST_F(ScfPsi4, TripletMethyleneGradient) { gradient("CH2_triplet"); }

struct Radical {
  const char* name;
  int charge;
  int multiplicity;
  const char* atoms;  // "Z x y z" lines, angstrom
  double psi4;        // shared model
  double fitted;      // default model, ground state (BFGS to 1e-8); 0 when not recorded
};

// Psi4 1.3.2 (libxc 5.2.3): PBE/def2-SVP (pure), scf_type df with def2-universal-jfit
// (def2-svp-jfit.gbs, Coulomb metric), 200 x 974 unpruned Treutler grid, RKS/UKS by the
// multiplicity, e_convergence 1e-10, d_convergence 1e-8, symmetry c1, coordinates as written
// (tools/scf_radicals_psi4_reference.py).
const Radical kFast[] = {
    {"OH 0.97", 0, 2, " 8 0 0 0\n 1 0 0 0.97\n", -75.5812583861, -75.580981575},
    {"OH 1.05", 0, 2, " 8 0 0 0\n 1 0 0 1.05\n", -75.5789868143, -75.578785491},
    {"OH 1.20", 0, 2, " 8 0 0 0\n 1 0 0 1.20\n", -75.5584247123, -75.558278902},
    {"OH off axis", 0, 2, " 8 0.000529177 0 0\n 1 0 0 0.97\n", -75.5812583886, -75.580981580},
    {"NO", 0, 2, " 7 0 0 0\n 8 0 0 1.15\n", -129.6602205578, -129.659434662},
    {"CH2 triplet", 0, 3, " 6 0 0 0.1\n 1 0 0.99 -0.4\n 1 0 -0.99 -0.4\n", -39.0584201251, -39.058613406},
};
const Radical kSlow[] = {
    {"CN", 0, 2, " 6 0 0 0\n 7 0 0 1.17\n", -92.5345227302, 0.0},
    {"HCO", 0, 2, " 6 0 0 0\n 8 0 0 1.18\n 1 0.917444 0 -0.642397\n", -113.6402359985, 0.0},
    {"NH2", 0, 2, " 7 0 0 0\n 1 0 0.80363 -0.63468\n 1 0 -0.80363 -0.63468\n", -55.7557561019, 0.0},
    {"CH3", 0, 2, " 6 0 0 0\n 1 1.079 0 0\n 1 -0.5395 0.934441 0\n 1 -0.5395 -0.934441 0\n", -39.7396612784, 0.0},
    {"O2 triplet", 0, 3, " 8 0 0 0\n 8 0 0 1.21\n", -150.0658634397, 0.0},
};

std::string request(const Radical& r, const std::string& groups) {
  return "$control task=energy theory=dft basis=def2-svp fit=J $end\n" +
         testing::molecule_group(r.atoms, r.charge, r.multiplicity) + "$dft functional=pbe $end\n" + groups;
}

class ScfRadicals : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    pool_init(std::int64_t{256} << 20);
    store_open("", -400);
  }
  // One run from a fresh store; the energy when it converged.
  double converged_energy(const std::string& input) {
    store_clear();
    const std::string out = testing::run_input(input);
    EXPECT_NE(out.find(" converged!\n"), std::string::npos) << out;
    return store_get<double>("Energy");
  }
  void shared_model(const Radical& r) {
    SCOPED_TRACE(r.name);
    const double e = converged_energy(request(r, "$scf fitxc=0 convergence=1e-8 $end\n$grid accuracy=1e-10 $end\n"));
    EXPECT_NEAR(e, r.psi4, 1e-6);
  }
  void default_model(const Radical& r) {
    SCOPED_TRACE(r.name);
    const double e = converged_energy(request(r, ""));
    // The grid's anisotropy leaves minima a few 1e-6 apart along the rotation of a pi hole;
    // a run may end in a lower one than BFGS found, never in a higher state.
    if (r.fitted != 0.0) {
      EXPECT_LT(e, r.fitted + 1e-6);
      EXPECT_GT(e, r.fitted - 1e-5);
    }
  }
};

// The default run keeps two of the shared-model comparisons; the rest are Long tests.
TEST_F(ScfRadicals, SharedModelMatchesPsi4) {
  shared_model(kFast[3]);
  shared_model(kFast[5]);
}

TEST_F(ScfRadicals, DefaultsReachTheGroundState) {
  for (const Radical& r : kFast) default_model(r);
}

// The case that used to end 2.8e-4 above the ground state after cycling between two states:
// O moved 0.001 bohr off the axis, tight convergence on a tight grid. BFGS to 1e-8 in the
// same model: -75.5809810547 (the minima along the hole's rotation lie 2e-7 apart here).
TEST_F(ScfRadicals, OffAxisHydroxylConvergesTightly) {
  const double e = converged_energy(request(kFast[3], "$scf convergence=1e-8 $end\n$grid accuracy=1e-10 $end\n"));
  EXPECT_LT(e, -75.5809810547 + 1e-7);
  EXPECT_GT(e, -75.5809810547 - 1e-6);
}

TEST_F(ScfRadicals, LongSharedModelMatchesPsi4) {
  for (const Radical& r : kFast) shared_model(r);
  for (const Radical& r : kSlow) shared_model(r);
}

TEST_F(ScfRadicals, LongDefaultsConverge) {
  for (const Radical& r : kSlow) default_model(r);
}

}  // namespace
}  // namespace ostrel
