// The model's own consistency: gradient against differences of the energy, the orbital
// optimiser's limits, and a molecule with an element the data do not define.
#include <cmath>

#include "models/nddo/nddo_atom.hpp"
#include "models/nddo/nddo_fixture.hpp"

namespace ostrel::testing {
namespace {

class NddoModel : public NddoTest {};

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
      const std::vector<double> xyz = coordinates();
      const double h = 1e-4;
      for (std::size_t k = 0; k < xyz.size(); ++k) {
        std::vector<double> plus = xyz, minus = xyz;
        plus[k] += h;
        minus[k] -= h;
        const double fd = (evaluate(nullptr, &plus).energy - evaluate(nullptr, &minus).energy) / (2 * h);
        EXPECT_NEAR(g[k], fd, 1e-6) << "component " << k;
      }
    }
  }
}

TEST_F(NddoModel, HeatOfFormationOfAnAtomIsItsOwn) {
  // A lone atom has its free-atom energy, so the heat of formation is the tabulated one.
  use_model("am1");
  use_molecule(" 6 0 0 0\n", 0, 3);
  const NddoResult r = evaluate();
  EXPECT_TRUE(r.converged);
  EXPECT_LT(r.heat, 170.89 + 1e-6);  // a triplet lies at or below the averaged configuration
}

TEST_F(NddoModel, MissingElementStops) {
  use_model("mndo");
  use_molecule(" 14 0 0 0\n 1 0 0 1.48\n 1 1.4 0 -0.5\n 1 -0.7 1.2 -0.5\n 1 -0.7 -1.2 -0.5\n");
  EXPECT_FATAL(evaluate(), "element Si has no NDDO parameters");
}

}  // namespace
}  // namespace ostrel::testing
