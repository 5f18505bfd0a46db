// Jacobi eigensolver (its random spectra are checked against the main eigensolver), eigenpair
// ordering and LDL^T.
#include "linalg/dense_reference.hpp"
#include "linalg/small_solvers.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::Dense;
using SmallSolvers = testing::RuntimeTest;

TEST_F(SmallSolvers, JacobiKnownSpectraAndVectors) {
  // [[2, 1], [1, 2]]: eigenvalues 1 and 3, vectors (1, -1)/sqrt2 and (1, 1)/sqrt2; the
  // largest-magnitude component is made positive, a tie going to the first component.
  double a[] = {2, 1, 2}, v[4], e[2];
  eigen_jacobi(a, v, e, 2, 0);
  EXPECT_NEAR(e[0], 1.0, 1e-15);
  EXPECT_NEAR(e[1], 3.0, 1e-15);
  const double r = std::sqrt(0.5), pair[] = {r, -r, r, r};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(v[i], pair[i], 1e-15);
  // A diagonal matrix: the sorted diagonal and unit vectors, exactly.
  double d[] = {3, 0, -1, 0, 0, 2}, u[9], f[3];
  eigen_jacobi(d, u, f, 3, 0);
  EXPECT_EQ(std::vector<double>(f, f + 3), (std::vector<double>{-1, 2, 3}));
  EXPECT_EQ(std::vector<double>(u, u + 9), (std::vector<double>{0, 1, 0, 0, 0, 1, 1, 0, 0}));
}

TEST_F(SmallSolvers, JacobiRotatesGivenVectors) {
  // Three given vectors of length 5 (stride 5): the result is the given set times U.
  std::mt19937_64 g(22);
  const Dense a = testing::random_symmetric(3, g);
  const Dense given = testing::random_dense(3, 5, g);
  auto p1 = testing::packed_of(a), p2 = p1;
  std::vector<double> u(9), e1(3), e2(3), rotated = given.v;
  eigen_jacobi(p1.data(), u.data(), e1.data(), 3, 0);
  eigen_jacobi(p2.data(), rotated.data(), e2.data(), 3, 5);
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(e1[k], e2[k], 1e-14);
    std::vector<double> want(5, 0.0);
    for (int j = 0; j < 3; ++j)
      for (int i = 0; i < 5; ++i) want[i] += u[k * 3 + j] * given(j, i);
    // Sign normalisation works on the rotated vectors, so compare up to sign.
    const double s = (want[0] * rotated[k * 5] >= 0) ? 1.0 : -1.0;
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(rotated[k * 5 + i], s * want[i], 1e-13);
  }
}

TEST_F(SmallSolvers, EigenpairOrderingModes) {
  // Vectors of length 2; the values and vectors must travel together.
  const std::vector<double> values0 = {0.5, -3.0, 2.0, -1.0};
  const std::vector<double> vectors0 = {0.1, -0.9, 1, 0, -0.8, 0.2, 0, -1};
  auto run = [&](int mode) {
    auto v = vectors0;
    auto e = values0;
    order_eigenpairs(v.data(), e.data(), 2, 4, mode);
    return std::make_pair(e, v);
  };
  auto [asc, va] = run(1);
  EXPECT_EQ(asc, (std::vector<double>{-3.0, -1.0, 0.5, 2.0}));
  // Signs: largest component made positive, and each vector follows its value.
  EXPECT_EQ(va, (std::vector<double>{1, 0, 0, 1, -0.1, 0.9, 0.8, -0.2}));
  EXPECT_EQ(run(-1).first, (std::vector<double>{2.0, 0.5, -1.0, -3.0}));
  EXPECT_EQ(run(-2).first, (std::vector<double>{-3.0, 2.0, -1.0, 0.5}));
  // Mode 0: by the position of the largest component (stable for ties).
  auto [pos, vp] = run(0);
  EXPECT_EQ(pos, (std::vector<double>{-3.0, 2.0, 0.5, -1.0}));
}

TEST_F(SmallSolvers, LdltSolvesDefiniteAndIndefiniteSystems) {
  std::mt19937_64 g(23);
  for (int n : {1, 2, 9, 40}) {
    for (bool definite : {true, false}) {
      Dense a = testing::random_symmetric(n, g);
      for (int i = 0; i < n; ++i) a(i, i) += definite ? n : 0.1;
      auto f = testing::packed_of(a);
      ASSERT_EQ(ldlt_factor(f.data(), n), -1);
      const int k = 3;
      const Dense b = testing::random_dense(k, n, g);
      auto x = b.v;
      ldlt_solve(f.data(), n, x.data(), k);
      for (int r = 0; r < k; ++r)
        for (int i = 0; i < n; ++i) {
          double s = 0;
          for (int j = 0; j < n; ++j) s += a(i, j) * x[r * n + j];
          EXPECT_NEAR(s, b(r, i), 1e-10) << n << " " << definite;
        }
      if (!definite) continue;
      // Half solve: |D^-1/2 L^-1 b|^2 = b^T A^-1 b.
      auto y = b.v;
      ldlt_solve(f.data(), -n, y.data(), k);
      for (int r = 0; r < k; ++r) {
        double yy = 0, bx = 0;
        for (int i = 0; i < n; ++i) {
          yy += y[r * n + i] * y[r * n + i];
          bx += b(r, i) * x[r * n + i];
        }
        EXPECT_NEAR(yy, bx, 1e-12 * std::fabs(bx) + 1e-14);
      }
    }
  }
  double singular[] = {1, 1, 1};  // [[1, 1], [1, 1]]
  EXPECT_EQ(ldlt_factor(singular, 2), 1);
}

}  // namespace
}  // namespace ostrel
