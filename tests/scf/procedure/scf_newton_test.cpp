// Newton step pieces: the reduced solver, the response pass and the Hessian image against
// finite differences of the Fock matrix and of the orbital gradient (no grid).
#include <memory>
#include <random>

#include "scf/procedure/scf_newton_subspace.hpp"
#include "scf/procedure/scf_response.hpp"
#include "scf/procedure/scf_test_system.hpp"

namespace ostrel {
namespace {

using testing::get_reals;
using testing::put_reals;

// The step was cut back to the trust length 0.5.
void expect_half_length(const double* c) {
  const double len = std::hypot(c[0], c[1], c[2]);
  EXPECT_LE(len, 0.5);
  EXPECT_GT(len, 0.5 - 1e-8);
}

class NewtonSubspaceTest : public testing::RuntimeTest {
 protected:
  NewtonReport solve(const std::vector<double>& packed, const std::vector<double>& gamma) {
    const int n = static_cast<int>(gamma.size());
    sub.reset();  // pool blocks go back before new ones are taken
    sub = std::make_unique<NewtonSubspace>(n);
    for (std::size_t i = 0; i < packed.size(); ++i) sub->a[i] = packed[i];
    for (int i = 0; i < n; ++i) sub->gamma[i] = gamma[i];
    return newton_subspace_solve(*sub, n);
  }
  std::unique_ptr<NewtonSubspace> sub;
  void TearDown() override {
    sub.reset();
    RuntimeTest::TearDown();
  }
};

TEST_F(NewtonSubspaceTest, ShortStepOnAPositiveDefiniteMatrixHasNoShift) {
  const std::vector<double> a = {2.0, 0.3, 3.0, -0.2, 0.1, 5.0};  // packed 3 x 3
  const std::vector<double> g = {0.1, -0.05, 0.02};
  const NewtonReport r = solve(a, g);
  EXPECT_EQ(r.mu, 0.0);
  EXPECT_GT(r.lowest_raw, 0.0);
  // A c = -g
  const double full[3][3] = {{2.0, 0.3, -0.2}, {0.3, 3.0, 0.1}, {-0.2, 0.1, 5.0}};
  for (int i = 0; i < 3; ++i) {
    double x = g[i];
    for (int j = 0; j < 3; ++j) x += full[i][j] * sub->c[j];
    EXPECT_NEAR(x, 0.0, 1e-14);
  }
}

TEST_F(NewtonSubspaceTest, LongAndIndefiniteStepsStopAtHalfLength) {
  {
    const NewtonReport r = solve({2.0, 0.3, 3.0, -0.2, 0.1, 5.0}, {5.0, 3.0, 1.0});
    expect_half_length(sub->c.data());
    EXPECT_GT(r.mu, 0.0);
  }
  {
    // Negative curvature: the shift exceeds the lowest eigenvalue's magnitude.
    const NewtonReport r = solve({-1.0, 0.0, 2.0, 0.0, 0.0, 3.0}, {1e-3, 1e-3, 1e-3});
    EXPECT_NEAR(r.lowest_raw, -1.0, 1e-14);
    EXPECT_GT(r.mu, 1.0);
    expect_half_length(sub->c.data());
  }
  {
    // Below -4 the curvature is taken by its absolute value: a plain Newton step on |A|.
    const NewtonReport r = solve({-6.0, 0.0, 1.0}, {0.3, 0.1});
    EXPECT_EQ(r.mu, 0.0);
    EXPECT_NEAR(sub->c[0], -0.05, 1e-14);
    EXPECT_NEAR(sub->c[1], -0.1, 1e-14);
  }
}

class ScfResponse : public testing::ScfSystem {
 protected:
  // Start orbitals with a non-zero gradient and the records of iteration 0.
  void start(int charge, int canon) {
    iteration_zero("$scf iterations=20 $end", charge, 'J', canon);
    nrot = static_cast<int>(store_size("scf_G") / 8);
    for (const char* name : {"Ca1", "Cb1", "F1Ca", "F1Cb"}) store_alloc(name, 8 * n * na);
  }
  std::vector<double> fock_at(const std::vector<double>& ca, const std::vector<double>& cb) {
    put_reals("Ca", ca);
    put_reals("Cb", cb);
    run([] {
      scf_density();
      scf_fock_energy();
    });
    return get_reals("Fa");
  }
  int nrot = 0;
};

// F1Ca of a random perturbation equals the central difference of Fa along it, times C_occ.
TEST_F(ScfResponse, FirstOrderFockMatchesFiniteDifferences) {
  for (int charge : {0, 1}) {
    SCOPED_TRACE(charge);
    if (charge) restart();
    start(charge, 1);
    const std::vector<double> ca = get_reals("Ca"), cb = get_reals("Cb");
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-0.1, 0.1);
    std::vector<double> a1(static_cast<std::size_t>(n) * na), b1(static_cast<std::size_t>(n) * nb);
    for (double& x : a1) x = u(rng);
    for (double& x : b1) x = u(rng);
    put_reals("Ca1", a1);
    put_reals("Cb1", b1);
    store_put("ND1", 1);
    run(scf_response);
    const std::vector<double> f1ca = get_reals("F1Ca");

    const double h = 1e-2;  // the model is linear; a long step keeps screening switches small
    std::vector<std::vector<double>> f(2);
    for (int side = 0; side < 2; ++side) {
      const double step = side ? -h : h;
      std::vector<double> pa = ca, pb = cb;
      for (std::size_t i = 0; i < a1.size(); ++i) pa[i] += step * a1[i];
      for (std::size_t i = 0; i < b1.size(); ++i) pb[i] += step * (charge ? b1[i] : a1[i]);
      f[side] = fock_at(pa, pb);
    }
    double worst = 0.0, scale = 0.0;
    for (int i = 0; i < na; ++i)
      for (int mu = 0; mu < n; ++mu) {
        double x = 0.0;
        for (int nu = 0; nu < n; ++nu) {
          const std::size_t k = testing::sym_index(mu, nu);
          x += (f[0][k] - f[1][k]) / (2 * h) * ca[static_cast<std::size_t>(i) * n + nu];
        }
        worst = std::max(worst, std::fabs(x - f1ca[static_cast<std::size_t>(i) * n + mu]));
        scale = std::max(scale, std::fabs(x));
      }
    EXPECT_GT(scale, 1e-2);
    EXPECT_LT(worst, 1e-8 * scale);  // integral screening switches at the 1e-10 level
  }
}

// The Hessian image of a direction equals the central difference of the orbital gradient
// after plane rotations along it, with canonical orbitals and with the Fock blocks.
TEST_F(ScfResponse, HessianImageMatchesGradientDifferences) {
  for (int charge : {0, 1})
    for (int canon : {1, 0}) {
      SCOPED_TRACE(::testing::Message() << "charge " << charge << " canon " << canon);
      if (charge || !canon) restart();
      start(charge, canon);
      const testing::HessianCheck r = testing::hessian_fd_check(11, 1e-4);
      EXPECT_GT(r.scale, 1e-2);
      EXPECT_LT(r.worst, 1e-6);
    }
}

}  // namespace
}  // namespace ostrel
