// The core-potential matrix over a whole basis and its gradient contraction.
#include "integrals/core_potential_matrix.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "integrals/one_electron_matrices.hpp"
#include "psi4_ecp_reference_data.hpp"
#include "support/runtime_fixture.hpp"
#include "test_shells.hpp"

namespace ostrel {
namespace {

namespace ref = psi4_ecp_reference;
using testing::TestShell;

struct Hoi {
  std::vector<double> xyz;
  std::vector<TestShell> shells;
  std::vector<Shell> views;
  std::vector<int> first, atom;
  CorePotential u{};
  int atom_of_potential = 0;

  explicit Hoi(std::vector<double> coordinates) : xyz(std::move(coordinates)) {
    int n = 0;
    for (const auto& r : ref::kShells) {
      shells.emplace_back(xyz.data() + 3 * r.atom, r.l,
                          std::vector<double>(r.exponents, r.exponents + r.nprim),
                          std::vector<double>(r.coefficients, r.coefficients + r.nprim));
      first.push_back(n);
      atom.push_back(r.atom);
      n += 2 * r.l + 1;
    }
    for (const auto& s : shells) views.push_back(s.view());
    u.centre = xyz.data();
    u.lmax = ref::kLmax;
    u.nlocal = static_cast<int>(sizeof(ref::kLocal) / sizeof(CoreTerm));
    u.local = ref::kLocal;
    const CoreTerm* semi[3] = {ref::kSemi0, ref::kSemi1, ref::kSemi2};
    for (int l = 0; l < 3; ++l) {
      u.nsemi[l] = ref::kNsemi[l];
      u.semi[l] = semi[l];
    }
  }
  ShellList basis() const {
    return {static_cast<int>(views.size()), views.data(), first.data(), atom.data(), ref::kNbf};
  }
  PotentialList potentials() const { return {1, &u, &atom_of_potential}; }
  std::vector<double> matrix(int first_point = 0, int stride = 1) const {
    std::vector<double> m(packed_size(ref::kNbf), 0.0);
    add_core_potential_matrix(basis(), potentials(), first_point, stride, m.data());
    return m;
  }
};

std::vector<double> reference_xyz() { return std::vector<double>(ref::kCoordinates, ref::kCoordinates + 9); }

using CoreMatrixTest = testing::RuntimeTest;

TEST_F(CoreMatrixTest, MatrixMatchesPsi4AndSplitsOverRadialPoints) {
  const Hoi hoi(reference_xyz());
  const auto whole = hoi.matrix();
  std::vector<double> shared(whole.size(), 0.0);
  for (int node = 0; node < 3; ++node) {
    const auto part = hoi.matrix(node, 3);
    for (size_t i = 0; i < part.size(); ++i) shared[i] += part[i];
  }
  double worst = 0.0;
  for (size_t i = 0; i < whole.size(); ++i) {
    worst = std::max(worst, std::fabs(whole[i] - ref::kEcp[i]));
    EXPECT_NEAR(shared[i], whole[i], 1e-14 * std::max(1.0, std::fabs(whole[i])));
  }
  EXPECT_LT(worst, 2.5e-7);  // Psi4 1.3.2's own error off the iodine, see core_potential_test
}

TEST_F(CoreMatrixTest, ScreeningDropsOnlyShellsOutOfReach) {
  Hoi hoi(reference_xyz());
  EXPECT_TRUE(core_potential_reaches(hoi.views[0], hoi.u));
  // A tight s function 12 bohr away cannot reach the potential; a diffuse one can.
  const double far[3] = {12.0, 0.0, 0.0};
  const TestShell tight(far, 0, {8.0}, {1.0}), diffuse(far, 0, {0.05}, {1.0});
  EXPECT_FALSE(core_potential_reaches(tight.view(), hoi.u));
  EXPECT_TRUE(core_potential_reaches(diffuse.view(), hoi.u));
  double v = 0.0;
  core_potential_shell_pair(tight.view(), tight.view(), hoi.u, 0, 1, &v);
  EXPECT_LT(std::fabs(v), 1e-15);
}

TEST_F(CoreMatrixTest, GradientMatchesFiniteDifferences) {
  const Hoi hoi(reference_xyz());
  std::vector<double> d(packed_size(ref::kNbf));
  for (size_t i = 0; i < d.size(); ++i) d[i] = 0.2 * std::cos(0.37 * i) + (i % 11 == 0 ? 0.4 : 0.0);
  std::vector<double> grad(9, 0.0);
  core_potential_gradient(hoi.basis(), hoi.potentials(), d.data(), 0, 1, grad.data());
  auto energy = [&](const std::vector<double>& xyz) {
    const auto m = Hoi(xyz).matrix();
    double e = 0.0;
    for (int i = 0; i < ref::kNbf; ++i)
      for (int j = 0; j <= i; ++j)
        e += (i == j ? 1.0 : 2.0) * d[i * (i + 1) / 2 + j] * m[i * (i + 1) / 2 + j];
    return e;
  };
  const double h = 1e-4;
  double sum[3] = {0.0, 0.0, 0.0};
  for (int c = 0; c < 9; ++c) {
    auto p = reference_xyz(), m = reference_xyz();
    p[c] += h;
    m[c] -= h;
    EXPECT_NEAR(grad[c], (energy(p) - energy(m)) / (2 * h), 2e-7) << c;
    sum[c % 3] += grad[c];
  }
  for (double s : sum) EXPECT_NEAR(s, 0.0, 1e-10);  // translations leave the energy alone
}

}  // namespace
}  // namespace ostrel
