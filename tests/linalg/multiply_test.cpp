#include "linalg/multiply.hpp"

#include <limits>

#include "linalg/dense_reference.hpp"

namespace ostrel {
namespace {

using testing::Dense;

// Operand of the multiply in mode `mode`: a random matrix of the mode's symmetry with
// `rows` x `cols` as the multiply reads it.
Dense operand(int rows, int cols, int mode, std::mt19937_64& g) {
  if (mode == STORE_PACKED) return testing::random_symmetric(rows, g);
  if (mode == STORE_ANTI || mode == STORE_ANTI_T) return testing::random_antisymmetric(rows, g);
  return testing::random_dense(rows, cols, g);
}

// Checks C = alpha B A^T + beta C against the naive product for one combination.
void check_product(int na, int k, int nc, int mode_a, int mode_b, int mode_c, double alpha,
                   double beta, std::uint64_t seed) {
  std::mt19937_64 g(seed);
  // A^T (K x NA) has storage mode mode_a; B (NC x K) mode_b.
  const Dense at = operand(k, na, mode_a, g);
  const Dense b = operand(nc, k, mode_b, g);
  const Dense c0 = operand(nc, na, mode_c, g);
  const auto sa = testing::to_storage(at, mode_a);
  const auto sb = testing::to_storage(b, mode_b);
  auto sc = testing::to_storage(c0, mode_c);

  multiply_serial(sa.data(), sb.data(), sc.data(), na, k, nc, mode_a, mode_b, mode_c, alpha,
                  beta);

  Dense want = testing::naive_product(b, at);
  for (std::size_t i = 0; i < want.v.size(); ++i) want.v[i] = alpha * want.v[i] + beta * c0.v[i];
  const Dense got = testing::from_storage(sc, mode_c, nc, na);
  const double tol = 1e-13 * (k + 1);
  for (int i = 0; i < nc; ++i)
    for (int j = 0; j < na; ++j) {
      // A packed C holds the lower triangle of the product; the upper one mirrors it.
      const bool packed = mode_c != STORE_ROWS && mode_c != STORE_COLUMNS;
      const double expect = (packed && j > i) ? (mode_c == STORE_PACKED ? want(j, i) : -want(j, i))
                                              : want(i, j);
      ASSERT_NEAR(got(i, j), expect, tol)
          << "na=" << na << " k=" << k << " nc=" << nc << " modes " << mode_a << "," << mode_b
          << "," << mode_c << " at (" << i << "," << j << ")";
    }
}

TEST(Multiply, AllFullModeCombinationsMatchTheNaiveProductAtOddSizes) {
  const int sizes[] = {1, 3, 63, 64, 65, 127};
  int seed = 1;
  for (int ma : {1, -1})
    for (int mb : {1, -1})
      for (int mc : {1, -1})
        for (int s : sizes) {
          check_product(s, s, s, ma, mb, mc, 1.0, 0.0, seed++);
          // Rectangular and with both scale factors.
          check_product(s, 2 * s + 1, s + 2, ma, mb, mc, -0.7, 0.3, seed++);
        }
}

TEST(Multiply, PackedOperandsAreReadThroughTheirSymmetry) {
  int seed = 100;
  for (int ma : {0, 2, -2, 1, -1})
    for (int mb : {0, 2, -2, 1, -1})
      for (int n : {1, 3, 65, 127}) check_product(n, n, n, ma, mb, 1, 1.3, 0.5, seed++);
}

// With mode -1 on B this includes sums of outer products u u^T of one vector set.
TEST(Multiply, PackedResultIsTheLowerTriangleMirrored) {
  int seed = 200;
  for (int mc : {0, 2, -2})
    for (int ma : {1, -1, 0})
      for (int n : {1, 3, 63, 64, 65, 127})
        check_product(n, ma == 0 ? n : 37, n, ma, -1, mc, 0.9, 0.25, seed++);
  check_product(129, 300, 129, 1, 1, 0, 1.0, 1.0, seed++);
}

TEST(Multiply, LargeSizeInTwoCombinations) {
  check_product(1000, 1000, 1000, 1, 1, 1, 1.0, 0.0, 300);
  check_product(1000, 97, 1000, -1, 1, -1, 0.5, 2.0, 301);
}

// beta 0 clears even non-numbers, alpha 0 skips the product, an empty inner dimension only
// scales C (a packed C has n(n+1)/2 values).
TEST(Multiply, ZeroFactorsAndEmptyInnerDimension) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> a(4, 1.0), b(4, 2.0), c(4, nan), bad(4, nan);
  multiply_serial(a.data(), b.data(), c.data(), 2, 2, 2, 1, 1, 1, 1.0, 0.0);
  EXPECT_EQ(c, (std::vector<double>(4, 4.0)));
  multiply_serial(bad.data(), bad.data(), c.data(), 2, 2, 2, 1, 1, 1, 0.0, 1.0);
  EXPECT_EQ(c, (std::vector<double>(4, 4.0)));
  std::vector<double> e = {1, 2, 3, 4, 5, 6};
  multiply_serial(nullptr, nullptr, e.data(), 3, 0, 2, 1, 1, 1, 1.0, 2.0);
  EXPECT_EQ(e, (std::vector<double>{2, 4, 6, 8, 10, 12}));
  matrix_multiply(nullptr, nullptr, e.data(), 3, 0, 2, 1, 1, 1, 1.0, 0.5);
  EXPECT_EQ(e, (std::vector<double>{1, 2, 3, 4, 5, 6}));
  std::vector<double> p = {nan, nan, nan, 7.0};
  multiply_serial(nullptr, nullptr, p.data(), 2, 0, 2, 1, 1, 0, 1.0, 0.0);
  EXPECT_EQ(p, (std::vector<double>{0, 0, 0, 7.0}));
}

}  // namespace
}  // namespace ostrel
