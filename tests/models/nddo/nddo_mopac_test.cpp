// MNDO, AM1 and PM3 against MOPAC on one set of closed-shell molecules (neutral, anions,
// cations; H C N O F P S Cl).

#include "models/nddo/generated/mopac_reference.hpp"
#include "models/nddo/nddo_atom.hpp"
#include "models/nddo/nddo_fixture.hpp"

namespace ostrel::testing {
namespace {

// kcal/mol/angstrom per hartree/bohr, with the constants the parameter files assume.
constexpr double kGradientUnit = kNddoEv * kNddoKcal / kNddoBohr;

class NddoMopac : public NddoTest {
 protected:
  void compare(const char* model, const NddoReference* reference) {
    use_model(model);
    for (int m = 0; m < kNddoMolecules; ++m) {
      SCOPED_TRACE(std::string(model) + " " + kNddoSet[m].name);
      use_molecule(kNddoSet[m].atoms, kNddoSet[m].charge);
      std::vector<double> g;
      const NddoResult r = evaluate(&g);
      const NddoReference& ref = reference[m];
      EXPECT_TRUE(r.converged);
      EXPECT_NEAR(r.heat, ref.heat, 0.01);
      EXPECT_NEAR(r.electronic, ref.electronic, 1e-4);
      EXPECT_NEAR(r.core, ref.core, 1e-4);
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(r.dipole[k] * kNddoDebye, ref.dipole[k], 0.001);
      for (std::size_t k = 0; k < g.size(); ++k) EXPECT_NEAR(g[k] * kGradientUnit, ref.gradient[k], 0.01);
    }
  }
};

TEST_F(NddoMopac, MndoHeatsDipolesAndGradients) { compare("mndo", kMNDOReference); }
TEST_F(NddoMopac, Am1HeatsDipolesAndGradients) { compare("am1", kAM1Reference); }
TEST_F(NddoMopac, Pm3HeatsDipolesAndGradients) { compare("pm3", kPM3Reference); }

}  // namespace
}  // namespace ostrel::testing
