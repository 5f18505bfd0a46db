#include "linalg/subspace.hpp"

#include "linalg/dense_reference.hpp"
#include "support/matrices.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::Dense;
using Orthonormalize = testing::RuntimeTest;

TEST_F(Orthonormalize, VectorsBecomeOrthonormalInTheMetricAndKeepTheirSpans) {
  std::mt19937_64 g(31);
  for (auto [n, m] : {std::pair{1, 1}, {5, 3}, {40, 40}, {70, 25}}) {
    const Dense s = testing::random_metric(n, g);
    const Dense c0 = testing::random_dense(m, n, g);
    auto c = c0.v;
    const auto sp = testing::packed_of(s);
    orthonormalize(sp.data(), c.data(), n, m);
    EXPECT_LT(testing::orthonormality_error(n, c.data(), sp.data(), m), 1e-10) << n << " " << m;
    // Gram-Schmidt: new vector k is old vector k minus earlier directions, so it has a
    // positive S-overlap with old vector k and none with the new vectors before it.
    for (int k = 0; k < m; ++k) {
      double ov = 0;
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) ov += c0(k, i) * s(i, j) * c[k * n + j];
      EXPECT_GT(ov, 0.0);
    }
  }
}

TEST_F(Orthonormalize, DependentVectorStopsTheRun) {
  std::mt19937_64 g(33);
  const int n = 6, m = 4;
  const Dense s = testing::random_metric(n, g);
  Dense c = testing::random_dense(m, n, g);
  for (int i = 0; i < n; ++i) c(2, i) = 0.5 * c(0, i) - 2.0 * c(1, i);  // vector 2 depends
  const auto sp = testing::packed_of(s);
  auto work = c.v;
  EXPECT_FATAL(orthonormalize(sp.data(), work.data(), n, m), "orthogonalize? s(2)=");
}

TEST_F(Orthonormalize, SubspaceDiagonalisationRotatesTheVectors) {
  std::mt19937_64 g(34);
  const int n = 30, m = 8;
  const Dense f = testing::random_symmetric(n, g);
  // Orthonormal starting vectors (unit metric).
  auto c = testing::random_dense(m, n, g).v;
  const auto up = testing::packed_unit(n);
  orthonormalize(up.data(), c.data(), n, m);
  const auto c0 = c;
  const auto fp = testing::packed_of(f);
  std::vector<double> values(m);
  subspace_diagonalize(fp.data(), c.data(), n, m, values.data());
  // C^T F C is diagonal with the returned values, C stays orthonormal, same span.
  for (int a = 0; a < m; ++a)
    for (int b = 0; b < m; ++b) {
      double x = 0, o = 0;
      for (int i = 0; i < n; ++i) {
        o += c[a * n + i] * c[b * n + i];
        for (int j = 0; j < n; ++j) x += c[a * n + i] * f(i, j) * c[b * n + j];
      }
      EXPECT_NEAR(x, a == b ? values[a] : 0.0, 1e-12);
      EXPECT_NEAR(o, a == b ? 1.0 : 0.0, 1e-12);
    }
  for (int a = 1; a < m; ++a) EXPECT_LE(values[a - 1], values[a]);
  for (int a = 0; a < m; ++a) {  // each new vector lies in the old span
    double in = 0;
    for (int b = 0; b < m; ++b) {
      const double p = vec_dot(n, c.data() + a * n, c0.data() + b * n);
      in += p * p;
    }
    EXPECT_NEAR(in, 1.0, 1e-12);
  }
}

TEST_F(Orthonormalize, PlaneRotationsInListOrder) {
  std::vector<double> c = {1, 0, 0, 1, 2, 2};  // three vectors of length 2
  const int pairs[] = {0, 1, 0, 2};
  const double angles[] = {M_PI / 2, M_PI};
  plane_rotations(c.data(), 2, 2, pairs, angles);
  // First: v0 = cos v0 - sin v1 = -v1; v1 = sin v0 + cos v1 = v0. Then v0 -> -v0, v2 -> -v2.
  const std::vector<double> want = {0, 1, 1, 0, -2, -2};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(c[i], want[i], 1e-15);
}

}  // namespace
}  // namespace ostrel
