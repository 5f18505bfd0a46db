// The model's own consistency: gradient against differences of the energy, the orbital
// optimiser's limits, and a molecule with an element the data do not define.

#include "models/nddo/nddo_atom.hpp"
#include "models/nddo/nddo_fixture.hpp"

namespace ostrel::testing {
namespace {

class NddoModel : public NddoTest {
 protected:
  // Central differences of the energy (step 1e-4 bohr) against the analytic gradient.
  void expect_difference_gradient(const std::vector<double>& g, const double* field = nullptr) {
    const std::vector<double> xyz = current_geometry();
    for (std::size_t k = 0; k < xyz.size(); ++k) {
      std::vector<double> plus = xyz, minus = xyz;
      plus[k] += 1e-4;
      minus[k] -= 1e-4;
      const double fd = (evaluate(nullptr, &plus, field).energy - evaluate(nullptr, &minus, field).energy) / 2e-4;
      EXPECT_NEAR(g[k], fd, 1e-6) << "component " << k;
    }
  }
};

TEST_F(NddoModel, GradientMatchesCentralDifferences) {
  const char* molecules[] = {
      " 6 0 0 0.3\n 8 0 1.13 -0.28\n 8 0 -1.14 -0.27\n 1 0.05 0.01 1.42\n",  // formate, bent off plane
      " 16 0 0 0\n 8 0.1 1.25 0.72\n 8 0 -1.26 0.73\n",
  };
  const int charges[] = {-1, 0};
  for (const char* model : {"mndo", "pm3"}) {
    use_model(model);
    for (int m = 0; m < 2; ++m) {
      SCOPED_TRACE(std::string(model) + " molecule " + std::to_string(m));
      use_molecule(molecules[m], charges[m]);
      std::vector<double> g;
      evaluate(&g);
      expect_difference_gradient(g);
    }
  }
}

// Restricted open shells lie above MOPAC's UHF (MOPAC 22.0.6, "MNDO 1SCF NOMM UHF
// SCFCRT=1.D-12 DOUBLET|TRIPLET", heats of formation in kcal/mol) but close to it, and their
// gradients are consistent with the energy.
TEST_F(NddoModel, OpenShellsLieJustAboveUhfWithConsistentGradients) {
  struct Case { const char* atoms; int multiplicity; double uhf; } cases[] = {
      {" 6 0 0 0\n 1 1.08 0 0\n 1 -0.54 0.94 0\n 1 -0.54 -0.93 0.05\n", 2, 24.648814},
      {" 8 0 0 0\n 8 0 0 1.21\n", 3, -5.814931},
      {" 6 0 0 0\n 1 1.08 0 0\n 1 -0.6 0.9 0\n", 3, 79.149406},
  };
  use_model("mndo");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.atoms);
    use_molecule(c.atoms, 0, c.multiplicity);
    std::vector<double> g;
    const NddoResult r = evaluate(&g);
    EXPECT_TRUE(r.converged);
    EXPECT_TRUE(r.heat > c.uhf && r.heat < c.uhf + 2.0) << r.heat;
    expect_difference_gradient(g);
  }
}

TEST_F(NddoModel, FieldEnergyFollowsTheDipoleAndTheGradientStaysExact) {
  use_model("am1");
  use_molecule(" 6 0 0 0\n 8 0 0 1.21\n 1 0.94 0 -0.58\n 1 -0.93 0.02 -0.59\n");
  const NddoResult free = evaluate();
  const double h = 1e-4;
  for (int k = 0; k < 3; ++k) {
    double plus[3] = {0, 0, 0}, minus[3] = {0, 0, 0};
    plus[k] = h;
    minus[k] = -h;
    const double slope = (evaluate(nullptr, nullptr, plus).energy - evaluate(nullptr, nullptr, minus).energy) / (2 * h);
    EXPECT_NEAR(slope, free.dipole[k], 1e-6) << "component " << k;
  }
  const double field[3] = {0.01, -0.02, 0.015};
  std::vector<double> g;
  evaluate(&g, nullptr, field);
  expect_difference_gradient(g, field);
}

// The shipped atom constants combine the atomic heats of formation (kcal/mol, the values
// the papers use) with the free-atom energies; MOPAC 22.0.6 prints those as EISOL (eV):
// MNDO C -120.500606, O -317.868506; AM1 S -191.732193; PM3 N -157.6137755, Cl -315.194948.
TEST_F(NddoModel, AtomConstantsComeFromHeatsAndFreeAtomEnergies) {
  const struct { const char* model; int z; double eisol; } cases[] = {
      {"mndo", 6, -120.500606}, {"mndo", 8, -317.868506}, {"am1", 16, -191.732193},
      {"pm3", 7, -157.6137755}, {"pm3", 17, -315.194948}};
  const double heats[18] = {0, 52.102, 0, 0, 0, 0, 170.89, 113.0, 59.559, 18.89,
                            0, 0, 0, 0, 0, 75.57, 66.40, 28.99};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.model) + " Z=" + std::to_string(c.z));
    use_model(c.model);
    const NddoElement& e = data_[c.z];
    const double eisol = nddo_isolated_atom_energy(nddo_atom(e, c.z), e.ne[0], e.ne[1]);
    EXPECT_NEAR(eisol, c.eisol, 1e-6);
    EXPECT_NEAR(e.E0, heats[c.z] / (kNddoEv * kNddoKcal) - eisol / kNddoEv, 1e-8);
  }
  for (const char* model : {"mndo", "am1", "pm3"}) {
    use_model(model);
    for (int z : {1, 6, 7, 8, 9, 15, 16, 17}) {
      const NddoElement& e = data_[z];
      const double eisol = nddo_isolated_atom_energy(nddo_atom(e, z), e.ne[0], e.L > 0 ? e.ne[1] : 0);
      EXPECT_NEAR(e.E0, heats[z] / (kNddoEv * kNddoKcal) - eisol / kNddoEv, 1e-8) << model << " " << z;
    }
  }
}

TEST_F(NddoModel, HeatOfFormationOfAnAtomIsItsOwn) {
  // The triplet carbon atom is the configuration of the free-atom energy, so its heat of
  // formation is the tabulated one.
  use_model("am1");
  use_molecule(" 6 0 0 0\n", 0, 3);
  const NddoResult r = evaluate();
  EXPECT_TRUE(r.converged);
  EXPECT_NEAR(r.heat, 170.89, 1e-5);
}

TEST_F(NddoModel, OrbitalOrderPicksTheStartingOccupation) {
  use_model("mndo");
  use_molecule(kWaterAtoms);
  const double plain = evaluate().energy;
  int swapped[6] = {1, 0, 2, 3, 4, 5};  // within the occupied space: the same state
  EXPECT_NEAR(evaluate(nullptr, nullptr, nullptr, swapped).energy, plain, 1e-10);
  int twice[6] = {0, 0, 2, 3, 4, 5};
  EXPECT_FATAL(evaluate(nullptr, nullptr, nullptr, twice), "entry 2 names orbital 1");
}

TEST_F(NddoModel, MissingElementStops) {
  use_model("mndo");
  use_molecule(" 14 0 0 0\n 1 0 0 1.48\n 1 1.4 0 -0.5\n 1 -0.7 1.2 -0.5\n 1 -0.7 -1.2 -0.5\n");
  EXPECT_FATAL(evaluate(), "element Si has no NDDO parameters");
}

}  // namespace
}  // namespace ostrel::testing
