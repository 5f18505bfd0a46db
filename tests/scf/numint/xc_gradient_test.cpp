// Exchange-correlation gradient passes against central differences of the same grid energy
// with the atoms (functions, grid and partition) displaced.
#include <random>

#include "scf/grid/grid_test_system.hpp"
#include "scf/numint/xc_gradient.hpp"
#include "support/matrices.hpp"

namespace ostrel {
namespace {

using testing::GridTestSystem;

int first_function(const GridTestSystem& t, int a) {
  return a < t.n_atoms() ? t.shells[t.atom_first_shell[a]].first_function : t.set.n_functions;
}

// A positive semi-definite density matrix C C^T (packed) with a few occupied orbitals.
std::vector<double> density_matrix(const GridTestSystem& t, unsigned seed) {
  const int n = t.set.n_functions, occ = 4;
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-0.3, 0.3);
  std::vector<double> c(n * occ);
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < occ; ++k) c[k * n + i] = u(gen) + ((i % 11) < 3 ? 0.4 : 0.0);
  return testing::density(n, occ, c);
}

std::vector<double> fit_vector(const GridTestSystem& t, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-0.05, 0.05);
  std::vector<double> d(t.set.n_functions);
  for (int a = 0; a < t.n_atoms(); ++a)
    for (int m = first_function(t, a); m < first_function(t, a + 1); ++m)
      d[m] = m - first_function(t, a) < 3 ? 0.4 + u(gen) : u(gen);
  return d;
}

struct Case { bool orbital; const char* functional; bool open; };

class XcGradient : public testing::RuntimeTest {
 protected:
  // Energy (and gradient) with weights formed from the cells at the current geometry.
  double run(GridTestSystem& t, const Grid& g, const Case& c, const std::vector<double>& a,
             const std::vector<double>& b, double* grad) {
    const XcFunctional f = testing::named_functional(c.functional);
    testing::ScopedCells cells(t);
    const XcGradientInput in{&g, GRID_FINAL, t.system(&cells.cells), &f, nullptr, true};
    const double* beta = c.open ? b.data() : nullptr;
    return c.orbital ? xc_gradient_orbital_terms(in, a.data(), beta, grad)
                     : xc_gradient_fitted_terms(in, a.data(), beta, grad);
  }
};

const std::vector<std::vector<double>> kBent = {
    {8, 0.0, 0.0, -0.1294}, {1, 0.0, 1.4941, 1.0274}, {1, 0.3, -1.4941, 1.0274}};

TEST_F(XcGradient, AgreesWithCentralDifferencesOfTheGridEnergy) {
  const Case cases[] = {{false, "PBE", false}, {false, "BLYP", true}, {false, "LSD", true},
                        {true, "PBE", false},  {true, "BLYP", true},  {true, "LSD", false}};
  for (const Case& c : cases) {
    GridTestSystem t = testing::make_system(kBent, 2);
    const std::vector<double> a = c.orbital ? density_matrix(t, 1) : fit_vector(t, 1),
                              b = c.orbital ? density_matrix(t, 2) : fit_vector(t, 2);
    Grid g = testing::make_grid(t, 30, 110);
    std::vector<double> full(3 * t.n_atoms(), 0.0);
    run(t, g, c, a, b, full.data());
    const double h = 1e-4;
    for (int i = 0; i < 3 * t.n_atoms(); ++i) {
      const double x0 = t.xyz[i];
      t.xyz[i] = x0 + h;
      const double ep = run(t, g, c, a, b, nullptr);
      t.xyz[i] = x0 - h;
      const double em = run(t, g, c, a, b, nullptr);
      t.xyz[i] = x0;
      EXPECT_NEAR(full[i], (ep - em) / (2 * h), 2e-7) << c.functional << (c.orbital ? " orbital " : " fitted ") << i;
    }
    grid_release(g);
  }
}

}  // namespace
}  // namespace ostrel
