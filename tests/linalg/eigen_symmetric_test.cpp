#include "linalg/eigen_symmetric.hpp"

#include "linalg/dense_reference.hpp"
#include "linalg/small_solvers.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::Dense;

class EigenSymmetric : public testing::RuntimeTest {
 protected:
  // Decomposes a, checks the invariants and returns the eigenvalues.
  std::vector<double> solve_and_check(const Dense& a, double tol = 1e-10) {
    const int n = a.rows;
    std::vector<double> packed = testing::packed_of(a), vectors(std::size_t(n) * n),
                        values(n);
    eigen_symmetric(packed.data(), vectors.data(), values.data(), n);
    const auto err = testing::eigen_errors(a, vectors, values);
    EXPECT_LT(err.residual, tol) << "n=" << n;
    EXPECT_LT(err.orthogonality, tol) << "n=" << n;
    EXPECT_LT(err.trace, 1e-12) << "n=" << n;
    EXPECT_LT(err.frobenius, 1e-12) << "n=" << n;
    testing::expect_sign_and_order(vectors, values, n);
    last_vectors = vectors;
    return values;
  }
  std::vector<double> last_vectors;
};

TEST_F(EigenSymmetric, RandomMatricesAgreeWithJacobi) {
  std::mt19937_64 g(5);
  for (int n : {1, 2, 3, 5, 17, 40, 300, 1000}) {
    const Dense a = testing::random_symmetric(n, g);
    const auto values = solve_and_check(a);
    if (n > 40) continue;
    auto packed = testing::packed_of(a);
    std::vector<double> jv(std::size_t(n) * n), jl(n);
    eigen_jacobi(packed.data(), jv.data(), jl.data(), n, 0);
    for (int k = 0; k < n; ++k) EXPECT_NEAR(values[k], jl[k], 1e-12) << "n=" << n << " k=" << k;
    // Well separated random spectra: the vectors agree too, with the same sign rule.
    for (std::size_t i = 0; i < jv.size(); ++i) EXPECT_NEAR(last_vectors[i], jv[i], 1e-9);
  }
}

TEST_F(EigenSymmetric, ReferenceSpectraFromLapack) {
  // Reference values: LAPACK dsyev (Debian liblapack3 3.11, jobz "N", uplo "L").
  Dense hilbert(6, 6);
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 6; ++j) hilbert(i, j) = 1.0 / (i + j + 1);
  const double h_ref[] = {1.0827994844683569e-07, 1.2570757122623588e-05,
                          0.00061574835418260767, 0.016321521319875697,
                          0.2423608705752093,     1.6188998589243386};
  auto values = solve_and_check(hilbert);
  for (int k = 0; k < 6; ++k) EXPECT_NEAR(values[k], h_ref[k], 4e-15) << k;
  // Wilkinson's W7+: diagonal |i - 3|, unit off-diagonal; a close pair near 3.75.
  Dense w(7, 7);
  for (int i = 0; i < 7; ++i) {
    w(i, i) = std::abs(i - 3);
    if (i + 1 < 7) w(i, i + 1) = w(i + 1, i) = 1.0;
  }
  const double w_ref[] = {-1.1248854197645741, 0.2679491924311232, 0.99999999999999989, 2,
                          2.363328237932683,   3.7320508075688776, 3.7615571818318907};
  values = solve_and_check(w);
  for (int k = 0; k < 7; ++k) EXPECT_NEAR(values[k], w_ref[k], 4e-15) << k;
}

TEST_F(EigenSymmetric, ClusteredDegenerateAndNearZeroSpectra) {
  std::mt19937_64 g(7);
  // Groups of equal and nearly equal values, some negative, one group at zero; then a tight
  // cluster near zero below well separated values.
  std::vector<double> clustered, tight;
  for (int i = 0; i < 1000; ++i) {
    const int group = i / 50;
    const double centre = (group % 2 ? -1.0 : 1.0) * (group + 1) * (group % 5 == 4 ? 0.0 : 1.0);
    clustered.push_back(centre + (i % 3 == 0 ? 0.0 : 1e-9 * (i % 50)));
  }
  for (int i = 0; i < 200; ++i) tight.push_back(i < 100 ? 1e-12 * i : 5.0 + i);
  for (auto [spectrum, tol] : {std::pair{clustered, 4e-11}, std::pair{tight, 2.05e-10}}) {
    std::shuffle(spectrum.begin(), spectrum.end(), g);
    const auto values = solve_and_check(testing::with_spectrum(spectrum, g));
    std::sort(spectrum.begin(), spectrum.end());
    for (std::size_t k = 0; k < spectrum.size(); ++k) EXPECT_NEAR(values[k], spectrum[k], tol) << k;
  }
}

// A decoupled 2 x 2 block whose other eigenvector is exactly the inverse iteration's start
// (an internal-coordinate metric of a diatomic looks like this).
TEST_F(EigenSymmetric, SymmetricTwoByTwoBlockInsideZeros) {
  Dense a(6, 6);
  a(2, 2) = a(5, 5) = 1.0;
  a(5, 2) = a(2, 5) = -1.0;
  const auto values = solve_and_check(a, 1e-12);
  EXPECT_NEAR(values[5], 2.0, 1e-14);
  const double* v = last_vectors.data() + 5 * 6;
  EXPECT_NEAR(v[2], -v[5], 1e-14);
}

TEST_F(EigenSymmetric, DiagonalMatrixGivesSortedDiagonalAndUnitVectors) {
  std::mt19937_64 g(9);
  const int n = 1000;
  Dense a(n, n);
  std::uniform_real_distribution<double> u(-10, 10);
  for (int i = 0; i < n; ++i) a(i, i) = u(g);
  const auto values = solve_and_check(a, 1e-14);
  std::vector<double> d(n);
  for (int i = 0; i < n; ++i) d[i] = a(i, i);
  std::sort(d.begin(), d.end());
  EXPECT_EQ(values, d);
  for (int k = 0; k < n; ++k) {
    const double* v = last_vectors.data() + std::size_t(k) * n;
    int ones = 0;
    for (int i = 0; i < n; ++i) ones += v[i] == 1.0;
    EXPECT_EQ(ones, 1);
  }
}

TEST_F(EigenSymmetric, ZeroAndScaledMatrices) {
  solve_and_check(Dense(6, 6));
  std::mt19937_64 g(10);
  Dense a = testing::random_symmetric(60, g);
  for (double s : {1e-150, 1e150}) {
    Dense b = a;
    for (auto& x : b.v) x *= s;
    solve_and_check(b);
  }
}

}  // namespace
}  // namespace ostrel
