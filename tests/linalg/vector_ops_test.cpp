#include "linalg/vector_ops.hpp"

#include <limits>
#include <utility>

#include "linalg/dense_reference.hpp"

namespace ostrel {
namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

TEST(VectorOps, ReductionsAtEveryRemainderLength) {
  for (int n = 0; n <= 9; ++n) {
    std::vector<double> x(n), y(n);
    double dot = 0;
    for (int i = 0; i < n; ++i) {
      x[i] = i + 1.0;
      y[i] = 0.5 * (i % 3) - 0.25;
      dot += x[i] * y[i];
    }
    EXPECT_DOUBLE_EQ(vec_dot(n, x.data(), y.data()), dot);
    std::vector<double> z(n, 7.0);
    vec_copy(n, x.data(), z.data());
    EXPECT_EQ(z, x);
  }
}

TEST(VectorOps, ScalingByZeroClearsNonNumbersExtremesAndSearch) {
  std::vector<double> v = {nan, 1.0, std::numeric_limits<double>::infinity(), -2.0, nan};
  vec_scale(5, 0.0, v.data());
  EXPECT_EQ(v, std::vector<double>(5, 0.0));
  const double x[] = {1.0, -4.0, 4.0, -5.0, 2.0, -5.0};
  EXPECT_EQ((std::vector<double>{vec_max_norm(6, x), vec_max_norm(0, x)}), (std::vector<double>{5, 0}));
  // The index searches take the first of the two largest and of the two smallest.
  EXPECT_EQ((std::vector<std::int64_t>{vec_index_max_abs(6, x), vec_index_min(6, x)}), (std::vector<std::int64_t>{3, 3}));
}

TEST(VectorOps, PackedMatrixKernelsMatchDenseArithmetic) {
  std::mt19937_64 g(3);
  const int n = 7;
  const testing::Dense a = testing::random_symmetric(n, g), b = testing::random_symmetric(n, g);
  auto pa = testing::to_storage(a, STORE_PACKED), pb = testing::to_storage(b, STORE_PACKED);
  double tr = 0, tp = 0;
  for (int i = 0; i < n; ++i) {
    tr += a(i, i);
    for (int j = 0; j < n; ++j) tp += a(i, j) * b(i, j);
  }
  EXPECT_NEAR(trace_product(n, pa.data(), nullptr), tr, 1e-14);
  EXPECT_NEAR(trace_product(n, pa.data(), pb.data()), tp, 1e-13);

  // y = 2 M x + y0 / 2; a non-symmetric full matrix shows that the orientation matters.
  const testing::Dense f = testing::random_dense(n, n, g);
  std::vector<double> x(n), y0(n), y(n);
  for (int i = 0; i < n; ++i) {
    x[i] = 0.3 * i - 1;
    y0[i] = i;
  }
  for (auto [m, mode] : {std::pair{&a, 0}, std::pair{&f, 1}, std::pair{&f, -1}}) {
    auto s = testing::to_storage(*m, mode);
    y = y0;
    matrix_times_vector(n, s.data(), mode, x.data(), y.data(), 2.0, 0.5);
    for (int i = 0; i < n; ++i) {
      double want = 0.5 * y0[i];
      for (int j = 0; j < n; ++j) want += 2.0 * (*m)(i, j) * x[j];
      EXPECT_NEAR(y[i], want, 1e-13) << mode;
    }
  }
}

}  // namespace
}  // namespace ostrel
