// Density-fitting members: the exact four-centre Coulomb matrix of water against Psi4's ao_eri
// and the fit's variational bound (the fitted energy itself is compared with Psi4 through the
// production steps in the fit-driver tests), transposition identities, moments and
// derivatives against finite differences.
#include <functional>
#include <numeric>

#include "integrals/coulomb_fit.hpp"
#include "integrals/two_electron_coulomb.hpp"
#include "support/matrices.hpp"
#include "reference_bases.hpp"

namespace ostrel {
namespace {

using namespace psi4_coulomb;
using testing::TestBasis;

using CoulombFit = testing::ReferenceBases;
using testing::solve_packed;

std::vector<double> water_density() { return std::vector<double>(std::begin(kWaterDensity), std::end(kWaterDensity)); }

// A symmetric packed matrix / vector with reproducible, not too regular entries.
std::vector<double> pseudo_random(int n, double scale, int seed) {
  std::vector<double> v(n);
  for (int i = 0; i < n; ++i) v[i] = scale * std::sin(0.37 * (i + 1) * (seed + 1) + 0.11 * seed);
  return v;
}

TEST_F(CoulombFit, ExactCoulombMatrixMatchesFourCentreIntegralsAndBoundsTheFit) {
  const TestBasis water(kSvpShells, kSvpShellCount, kWaterCoordinates, 3);
  const std::vector<double> d = water_density();
  std::vector<double> j(d.size(), 0.0);
  // Two shares of the bra atoms, summed, as two nodes would.
  coulomb_matrix_exact(water.set(), 1e-14, d.data(), 0, 2, j.data());
  coulomb_matrix_exact(water.set(), 1e-14, d.data(), 1, 2, j.data());
  EXPECT_LT(testing::max_difference(j, std::vector<double>(kWaterExactJ, kWaterExactJ + j.size())), 1e-10);
  const double e = 0.5 * testing::packed_trace(water.nfunc(), d.data(), j.data());
  EXPECT_NEAR(e, kWaterExactCoulomb, 1e-9);
  // Robust fitting in the Coulomb metric never overestimates: E_exact - E_fit = 1/2 |rho - rho_fit|^2.
  EXPECT_LT(kWaterFittedCoulomb, e);
  EXPECT_NEAR(e - kWaterFittedCoulomb, 9.3078e-5, 1e-8);
}

TEST_F(CoulombFit, FitIsVariationalForArbitraryDensities) {
  const int m = aux.nfunc(), n = orb.nfunc();
  std::vector<double> v(m * (m + 1) / 2, 0.0);
  fit_metric(Interaction::coulomb, aux.set(), 0, 1, v.data());
  for (int seed = 0; seed < 3; ++seed) {
    const std::vector<double> d = pseudo_random(n * (n + 1) / 2, 0.3, seed);
    std::vector<double> gamma(m, 0.0), j(d.size(), 0.0);
    fit_projection(Interaction::coulomb, orb.set(), aux.set(), {}, 1e-14, 1, d.data(), gamma.data());
    const std::vector<double> c = solve_packed(v, gamma);
    const double e_fit = 0.5 * std::inner_product(c.begin(), c.end(), gamma.begin(), 0.0);
    coulomb_matrix_exact(orb.set(), 1e-14, d.data(), 0, 1, j.data());
    const double e = 0.5 * testing::packed_trace(n, d.data(), j.data());
    EXPECT_GT(e_fit, 0.0);
    EXPECT_LE(e_fit, e * (1.0 + 1e-13)) << "seed " << seed;
  }
}

TEST_F(CoulombFit, ProjectionAndAssemblyAreTransposesForBothKindsAndTwoDensities) {
  const int m = aux.nfunc(), n = orb.nfunc(), n2 = n * (n + 1) / 2;
  std::vector<double> p = pseudo_random(2 * n2, 0.2, 4), c = pseudo_random(2 * m, 0.5, 5);
  auto trace = [&](const double* x, const double* y) { return testing::packed_trace(n, x, y); };
  const double u[2] = {0.3, -0.7};
  for (Interaction kind : {Interaction::coulomb, Interaction::overlap}) {
    std::vector<double> gamma(2 * m, 0.0), f(2 * n2, 0.0);
    double counts[2] = {0.0, 0.0};
    fit_projection(kind, orb.set(), aux.set(), {}, 1e-14, 2, p.data(), gamma.data(), counts);
    const bool ov = kind == Interaction::overlap;
    fit_assembly(kind, orb.set(), aux.set(), {}, 1e-14, 2, c.data(), f.data(), ov ? u : nullptr);
    for (int d = 0; d < 2; ++d) {
      double cg = 0.0;
      for (int k = 0; k < m; ++k) cg += c[d * m + k] * gamma[d * m + k];
      if (ov) cg += u[d] * counts[d];
      EXPECT_NEAR(trace(p.data() + d * n2, f.data() + d * n2), cg, 1e-11 * std::fabs(cg) + 1e-12);
    }
  }
}

TEST_F(CoulombFit, ElectronCountOfTheWaterDensityIsTen) {
  const TestBasis orb_w(kSvpShells, kSvpShellCount, kWaterCoordinates, 3);
  const TestBasis aux_w(kJfitShells, kJfitShellCount, kWaterCoordinates, 3);
  const std::vector<double> d = water_density();
  std::vector<double> t(aux_w.nfunc(), 0.0);
  double count = 0.0;
  // A node share through pair lists: atom 2 with atoms 0 and 2 only, then the rest.
  const int lists[9] = {0, -1, -1, 0, 1, -1, 0, 1, 2};
  const int own1[2] = {0, 1}, own2[1] = {2};
  fit_projection(Interaction::overlap, orb_w.set(), aux_w.set(), {own1, 2, lists}, 1e-14, 1, d.data(), t.data(), &count);
  fit_projection(Interaction::overlap, orb_w.set(), aux_w.set(), {own2, 1, lists}, 1e-14, 1, d.data(), t.data(), &count);
  EXPECT_NEAR(count, 10.0, 1e-8);  // Psi4's converged density
  // The fitting functions' integrals s give the charge of a fitted density: s . S^-1 t ~ N.
  std::vector<double> s(4 * aux_w.nfunc()), metric(aux_w.nfunc() * (aux_w.nfunc() + 1) / 2, 0.0);
  fit_moments(aux_w.set(), s.data());
  fit_metric(Interaction::overlap, aux_w.set(), 0, 1, metric.data());
  const std::vector<double> fitted = solve_packed(metric, t);
  double q = 0.0;
  for (int k = 0; k < aux_w.nfunc(); ++k) q += s[k] * fitted[k];
  EXPECT_NEAR(q, 10.0, 0.05);
}

TEST_F(CoulombFit, MomentsOfSingleFunctionsHaveTheirClosedForms) {
  const double centre[3] = {0.4, -1.2, 2.0};
  const double a = 0.7, b = 1.1;
  testing::TestAtom atom({testing::TestShell(centre, 0, {a}, {1.0}), testing::TestShell(centre, 1, {b}, {1.0})});
  const AtomFunctions view = atom.view();
  const int first[2] = {0, 4};
  const AtomSet set{1, &view, first};
  double s[16];
  fit_moments(set, s);
  const double pi32 = std::pow(M_PI, 1.5);
  const double qs = atom.shells[0].coefficients[0] * pi32 / std::pow(a, 1.5);
  // p component z (m = 0), x (+1), y (-1): sqrt(3) r_k exp(-b r^2), moment sqrt(3) (pi/b)^(3/2) / (2b).
  const double mp = atom.shells[1].coefficients[0] * std::sqrt(3.0) * pi32 / std::pow(b, 1.5) / (2.0 * b);
  EXPECT_NEAR(s[0], qs, 1e-14);
  for (int k = 1; k < 4; ++k) EXPECT_NEAR(s[k], 0.0, 1e-14);
  for (int x = 0; x < 3; ++x) EXPECT_NEAR(s[4 * (1 + x)], centre[x] * qs, 1e-13);
  const int component_of[3] = {2, 3, 1};  // x, y, z
  for (int x = 0; x < 3; ++x)
    for (int k = 1; k < 4; ++k) EXPECT_NEAR(s[4 * (1 + x) + k], k == component_of[x] ? mp : 0.0, 1e-13);
}

// Central differences of an energy over every atom coordinate, both basis sets moving.
std::vector<double> finite_difference(const TestBasis& orb0, const TestBasis& aux0,
                                      const std::function<double(const TestBasis&, const TestBasis&)>& energy) {
  std::vector<double> g(9);
  const double h = 1e-4;
  for (int atom = 0; atom < 3; ++atom)
    for (int k = 0; k < 3; ++k) {
      double e[2];
      for (int side = 0; side < 2; ++side) {
        TestBasis orb(orb0), aux(aux0);
        orb.move_atom(atom, k, side ? -h : h);
        aux.move_atom(atom, k, side ? -h : h);
        e[side] = energy(orb, aux);
      }
      g[3 * atom + k] = (e[0] - e[1]) / (2 * h);
    }
  return g;
}

void expect_gradient(const std::vector<double>& analytic, const std::vector<double>& numeric, double tol) {
  double sum[3] = {0, 0, 0};
  for (int i = 0; i < 9; ++i) {
    EXPECT_NEAR(analytic[i], numeric[i], tol) << "component " << i;
    sum[i % 3] += analytic[i];
  }
  for (double s : sum) EXPECT_NEAR(s, 0.0, 1e-10);  // translation invariance
}

TEST_F(CoulombFit, ThreeCentreGradientsMatchFiniteDifferences) {
  const int m = aux.nfunc(), n2 = orb.nfunc() * (orb.nfunc() + 1) / 2;
  const std::vector<double> p = pseudo_random(2 * n2, 0.2, 7), c = pseudo_random(2 * m, 0.3, 8);
  const double u[2] = {0.4, -0.2};
  for (Interaction kind : {Interaction::coulomb, Interaction::overlap}) {
    const bool ov = kind == Interaction::overlap;
    auto energy = [&](const TestBasis& o, const TestBasis& x) {
      std::vector<double> gamma(2 * m, 0.0);
      double counts[2] = {0.0, 0.0};
      fit_projection(kind, o.set(), x.set(), {}, 1e-14, 2, p.data(), gamma.data(), counts);
      double e = 0.0;
      for (int k = 0; k < 2 * m; ++k) e += c[k] * gamma[k];
      if (ov) e += u[0] * counts[0] + u[1] * counts[1];
      return e;
    };
    std::vector<double> g(9, 0.0);
    fit_three_centre_gradient(kind, orb.set(), aux.set(), {}, 1e-14, 2, p.data(), c.data(), g.data(),
                              ov ? u : nullptr);
    expect_gradient(g, finite_difference(orb, aux, energy), 2e-7);
  }
}

TEST_F(CoulombFit, TwoCentreGradientsMatchFiniteDifferences) {
  const int m = aux.nfunc();
  const std::vector<double> d = pseudo_random(2 * m, 0.3, 9), c = pseudo_random(2 * m, 0.2, 10);
  for (Interaction kind : {Interaction::coulomb, Interaction::overlap}) {
    auto energy = [&](const TestBasis&, const TestBasis& x) {
      std::vector<double> v(m * (m + 1) / 2, 0.0);
      fit_metric(kind, x.set(), 0, 1, v.data());
      double e = 0.0;
      for (int s = 0; s < 2; ++s)
        for (int i = 0; i < m; ++i)
          for (int j = 0; j < m; ++j)
            e += d[s * m + i] * c[s * m + j] * v[testing::sym_index(i, j)];
      return e;
    };
    std::vector<double> g(9, 0.0);
    // three shares, as three nodes would do them
    for (int first = 0; first < 3; ++first) fit_metric_gradient(kind, aux.set(), first, 3, 2, d.data(), c.data(), g.data());
    expect_gradient(g, finite_difference(orb, aux, energy), 2e-7);
  }
}

TEST_F(CoulombFit, ExactCoulombGradientMatchesFiniteDifferences) {
  const int n = orb.nfunc(), n2 = n * (n + 1) / 2;
  const std::vector<double> p = pseudo_random(n2, 0.2, 11);
  auto energy = [&](const TestBasis& o, const TestBasis&) {
    std::vector<double> j(n2, 0.0);
    coulomb_matrix_exact(o.set(), 1e-14, p.data(), 0, 1, j.data());
    return 0.5 * testing::packed_trace(n, p.data(), j.data());
  };
  std::vector<double> g(9, 0.0);
  coulomb_gradient_exact(orb.set(), 1e-14, p.data(), 0, 2, g.data());
  coulomb_gradient_exact(orb.set(), 1e-14, p.data(), 1, 2, g.data());
  expect_gradient(g, finite_difference(orb, aux, energy), 2e-7);
}

}  // namespace
}  // namespace ostrel
