// Radicals and other hard SCF cases. In the model shared with Psi4 (fitted Coulomb, orbital-
// density exchange-correlation, grid accuracy 1e-10, convergence 1e-8) each lands within
// 1e-6 of Psi4's energy; with every option at its default (fitted exchange-correlation,
// Newton steps) each converges to the ground state of that model: not above the energy a
// BFGS run to 1e-8 reaches. Degenerate open shells (the pi pairs of OH and NO) are the hard part: a
// soft rotation of the hole and steps that overshoot along it.
#include <gtest/gtest.h>

#include <string>

#include "runtime/store.hpp"
#include "scf/procedure/scf_test_system.hpp"
#include "support/molecules.hpp"

namespace ostrel {
namespace {

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
