// Becke's cells against their definition and their derivatives, and the molecular weights
// against analytic integrals.
#include <array>
#include <random>

#include "scf/grid/grid_test_system.hpp"
#include "support/matrices.hpp"

namespace ostrel {
namespace {

using testing::GridTestSystem;
using testing::make_grid;
using testing::make_system;

class GridWeights : public testing::RuntimeTest {};

double distance(const double* p, const double* c) {
  return std::sqrt((p[0] - c[0]) * (p[0] - c[0]) + (p[1] - c[1]) * (p[1] - c[1]) + (p[2] - c[2]) * (p[2] - c[2]));
}

const std::vector<std::vector<std::vector<double>>> kMolecules = {
    {{1, 0, 0, 0}, {1, 0, 0, 1.4}},
    testing::kWater,
    {{7, 0, 0, 0.2}, {1, 0, 1.77, -0.51}, {1, 1.53, -0.885, -0.51}, {1, -1.53, -0.885, -0.51}},
    {{6, 0, 0, 0}, {1, 1.19, 1.19, 1.19}, {1, -1.19, -1.19, 1.19}, {1, -1.19, 1.19, -1.19},
     {1, 1.19, -1.19, -1.19}},
};

// Becke's cells written out directly, without the clamp of s near 0 and 1.
double reference_share(const GridTestSystem& t, const double* p, int atom) {
  const double radius[] = {0, 0.35, 0, 0, 0, 0, 0.70, 0.65, 0.60, 0, 0.50};
  auto bragg = [&](int z) { return z == 53 ? 1.40 : radius[z]; };
  double sum = 0.0, own = 0.0;
  for (int b = 0; b < t.n_atoms(); ++b) {
    double cell = 1.0;
    for (int c = 0; c < t.n_atoms(); ++c) {
      if (c == b) continue;
      const double mu = (distance(p, &t.xyz[3 * b]) - distance(p, &t.xyz[3 * c])) / distance(&t.xyz[3 * b], &t.xyz[3 * c]);
      const double chi = bragg(t.z[b]) / bragg(t.z[c]), u = (chi - 1) / (chi + 1);
      double x = mu + std::clamp(u / (u * u - 1), -0.5, 0.5) * (1 - mu * mu);
      for (int k = 0; k < 3; ++k) x = 1.5 * x - 0.5 * x * x * x;
      cell *= 0.5 * (1 - x);
    }
    sum += cell;
    if (b == atom) own = cell;
  }
  return own / sum;
}

const std::vector<std::vector<double>> kMixed = {
    {53, 0, 0, 0}, {6, 0, 0, 4.0}, {1, 1.9, 0.3, 4.6}, {8, -1.2, 0.8, 5.4}, {1, 0.2, -1.8, -1.1}};

TEST_F(GridWeights, CellSharesAreBeckesSumToOneAndVanishAtOtherNuclei) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-4.0, 6.0);
  std::vector<std::vector<std::vector<double>>> molecules = kMolecules;
  molecules.push_back(kMixed);
  for (const auto& atoms : molecules) {
    GridTestSystem t = make_system(atoms);
    testing::ScopedCells cells(t);
    const int n = t.n_atoms();
    for (int i = 0; i < 300; ++i) {
      const double p[3] = {u(rng), u(rng), u(rng)};
      double sum = 0.0;
      for (int a = 0; a < n; ++a) {
        const double w = cell_weight(cells.cells, p, a);
        EXPECT_GE(w, 0.0);
        EXPECT_NEAR(w, reference_share(t, p, a), 2e-9);
        sum += w;
      }
      EXPECT_NEAR(sum, 1.0, 1e-14);
    }
    for (int a = 0; a < n; ++a)
      for (int b = 0; b < n; ++b) EXPECT_EQ(cell_weight(cells.cells, &t.xyz[3 * b], a), a == b ? 1.0 : 0.0);
  }
  GridTestSystem lone = make_system({{10, 0.3, 0.1, 0}});
  testing::ScopedCells cells(lone);
  const double p[3] = {7.0, -3.0, 1.0};
  EXPECT_EQ(cell_weight(cells.cells, p, 0), 1.0);
  // A ghost centre on the oxygen: finite shares that still sum to one.
  GridTestSystem ghost = make_system({{8, 0, 0, 0}, {1, 0, 0, 1.8}, {0, 0, 0, 0}});
  testing::ScopedCells c3(ghost);
  for (const double z : {-1.0, -0.3, 0.5}) {
    const double q[3] = {0.4, -0.2, z};
    const double w[3] = {cell_weight(c3.cells, q, 0), cell_weight(c3.cells, q, 1), cell_weight(c3.cells, q, 2)};
    EXPECT_GT(w[0], 0.0);
    EXPECT_GT(w[2], 0.0);
    EXPECT_NEAR(w[0] + w[1] + w[2], 1.0, 1e-14);
  }
}

// The point rides on its atom: moving that atom moves the point too.
TEST_F(GridWeights, CellShareDerivativesAgreeWithCentralDifferences) {
  GridTestSystem t = make_system(kMixed);
  const int n = t.n_atoms();
  std::vector<double> dlnw(3 * n);
  for (const auto& [atom, offset] : std::vector<std::pair<int, std::array<double, 3>>>{
           {1, {0.9, 0.4, -1.1}}, {2, {-0.5, 0.6, -0.3}}, {0, {0.3, 0.2, 2.3}}, {3, {0.1, -0.7, -0.6}}}) {
    const double h = 1e-5;
    double p[3];
    auto share = [&](double* grad) {
      testing::ScopedCells cells(t);
      for (int x = 0; x < 3; ++x) p[x] = t.xyz[3 * atom + x] + offset[x];
      return cell_weight(cells.cells, p, atom, grad);
    };
    const double w = share(dlnw.data());
    ASSERT_GT(w, 1e-3);
    ASSERT_LT(w, 0.999);
    for (int i = 0; i < 3 * n; ++i) {
      const double x0 = t.xyz[i];
      t.xyz[i] = x0 + h;
      const double up = std::log(share(nullptr));
      t.xyz[i] = x0 - h;
      const double down = std::log(share(nullptr));
      t.xyz[i] = x0;
      EXPECT_NEAR(dlnw[i], (up - down) / (2 * h), 1e-6 * (1 + std::fabs(dlnw[i]))) << atom << " " << i;
    }
  }
}

double gaussian_at(const double* p, const double* c, double a) {
  const double d = distance(p, c);
  return std::exp(-a * d * d);
}

TEST_F(GridWeights, MolecularGridIntegratesNormalisedGaussiansAndProducts) {
  for (const auto& atoms : kMolecules) {
    GridTestSystem t = make_system(atoms, true);
    Grid g = make_grid(t, 60, 1202);
    const std::vector<double> w = testing::weights_of(g, t, GRID_FINAL);
    const int n = t.n_atoms();
    for (double a : {0.4, 1.5, 8.0}) {
      const double norm = std::pow(a / std::numbers::pi, 1.5);
      const double total = testing::grid_integral(g, t.xyz.data(), w, GRID_FINAL, [&](const double* x) {
        double f = 0.0;
        for (int c = 0; c < n; ++c) f += norm * gaussian_at(x, &t.xyz[3 * c], a);
        return f;
      });
      // Tight functions on hydrogen are partly integrated off-centre by the heavier atoms.
      EXPECT_NEAR(total, n, (a < 2 ? 5e-7 : 2e-5) * n) << "atoms " << n << " exponent " << a;
    }
    // exp(-a|r-A|^2) exp(-b|r-B|^2) = (pi/(a+b))^(3/2) exp(-ab/(a+b) |A-B|^2)
    const double a = 0.9, b = 0.6;
    const double *A = &t.xyz[0], *B = &t.xyz[3 * (n - 1)];
    const double ab = distance(A, B);
    const double exact = std::pow(std::numbers::pi / (a + b), 1.5) * std::exp(-a * b / (a + b) * ab * ab);
    const double product = testing::grid_integral(g, t.xyz.data(), w, GRID_FINAL, [&](const double* x) {
      return gaussian_at(x, A, a) * gaussian_at(x, B, b);
    });
    EXPECT_NEAR(product, exact, 1e-6 * exact) << "atoms " << n;
    grid_release(g);
  }
}

}  // namespace
}  // namespace ostrel
