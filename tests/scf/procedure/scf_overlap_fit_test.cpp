// The overlap-metric fit with its charge constraint ('S'): fitted charges, the Fock matrix
// as the derivative of the energy, the Newton Hessian image and whole runs (the Kohn-Sham
// runs with this fit meet finite differences in the nuclear-gradient tests).
#include "scf/procedure/scf_test_system.hpp"

namespace ostrel {
namespace {

using testing::get_reals;
using testing::put_reals;

class ScfOverlapFit : public testing::ScfSystem {
 protected:
  // Core-guess orbitals and the records of iteration 0 without a grid.
  void start(int fit, int charge) { iteration_zero("$scf d2svs=0 $end", charge, fit, 1); }
  // Largest difference between the energy change along a random rotation (central
  // difference) and the change the gradient predicts, relative to that change.
  double energy_derivative_error(int spins) {
    const int nrot = static_cast<int>(store_size("scf_G") / 8);
    const std::vector<double> g = get_reals("scf_G"), ca = get_reals("Ca"), cb = get_reals("Cb");
    std::vector<double> b(nrot);
    for (int i = 0; i < nrot; ++i) b[i] = std::sin(0.37 * i + 0.1);
    const double h = 1e-4;
    double e[2];
    for (int side = 0; side < 2; ++side) {
      std::vector<double> x(nrot);
      for (int i = 0; i < nrot; ++i) x[i] = (side ? -h : h) * b[i];
      run([&] { testing::rotate_orbitals(ca, cb, x); });
      e[side] = store_get<double>("ESCF");
    }
    put_reals("Ca", ca);
    put_reals("Cb", cb);
    // dE/dX is 4 g for a closed shell and 2 g per spin block otherwise.
    double predicted = 0.0;
    for (int i = 0; i < nrot; ++i) predicted += (spins == 1 ? 4.0 : 2.0) * g[i] * b[i];
    const double fd = (e[0] - e[1]) / (2 * h);
    return std::fabs(fd - predicted) / std::fabs(predicted);
  }
};

TEST_F(ScfOverlapFit, FittedChargesAreTheElectronCounts) {
  start('S', 1);
  const int m = store_get<int>("Nfit");
  const std::vector<double> s = get_reals("s"), da = get_reals("da"), db = get_reals("db");
  double qa = 0.0, qb = 0.0;
  for (int k = 0; k < m; ++k) {
    qa += s[k] * da[k];
    qb += s[k] * db[k];
  }
  EXPECT_LT(testing::max_difference({qa, qb}, {1.0 * na, 1.0 * nb}), 1e-10);
  // The fitted Coulomb energy stays close to the exact one of the same density.
  EXPECT_NEAR(store_get<double>("EJ"), testing::exact_coulomb_energy(), 1e-2);
}

// The Fock matrices are the energy derivative: the gradient predicts the energy change
// along a rotation, for both fit metrics, closed and open shell.
TEST_F(ScfOverlapFit, GradientPredictsTheEnergyChange) {
  for (int fit : {'S', 'J'})
    for (int charge : {0, 1}) {
      SCOPED_TRACE(::testing::Message() << char(fit) << " charge " << charge);
      if (fit == 'J' || charge) restart();
      start(fit, charge);
      EXPECT_LT(energy_derivative_error(charge ? 2 : 1), 1e-6);
    }
}

TEST_F(ScfOverlapFit, HessianImageMatchesGradientDifferences) {
  for (int charge : {0, 1}) {
    SCOPED_TRACE(charge);
    if (charge) restart();
    start('S', charge);
    for (const char* name : {"Ca1", "Cb1", "F1Ca", "F1Cb"}) store_alloc(name, 8 * n * na);
    const testing::HessianCheck r = testing::hessian_fd_check(3, 1e-4);
    EXPECT_GT(r.scale, 1e-2);
    EXPECT_LT(r.worst, 1e-6 * r.scale);
  }
}

TEST_F(ScfOverlapFit, NewtonAndBfgsRunsConvergeToTheSameEnergy) {
  double energy[2];
  for (int k = 0; k < 2; ++k) {
    if (k) restart();
    prepare_core(k ? "$scf procedure=bfgs iterations=80 convergence=1e-9 $end" : "$scf iterations=30 convergence=1e-9 $end",
                 0, 'S');
    const std::string out = run(scf_run);
    EXPECT_NE(out.find(" converged!\n"), std::string::npos) << out;
    energy[k] = store_get<double>("ESCF");
  }
  EXPECT_NEAR(energy[0], energy[1], 1e-9);
}

}  // namespace
}  // namespace ostrel
