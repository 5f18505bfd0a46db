// The node-parallel kernels give the single-process results (run under mpirun -np 2, 3).
#include "linalg/dense_reference.hpp"
#include "linalg/eigen_symmetric.hpp"
#include "linalg/small_solvers.hpp"
#include "linalg/subspace.hpp"
#include "linalg/tridiagonal_eigen.hpp"
#include "runtime/node.hpp"

namespace ostrel {
namespace {

using testing::Dense;

double relative_difference(const std::vector<double>& a, const std::vector<double>& b) {
  double diff = 0, size = 1e-300;
  for (std::size_t i = 0; i < a.size(); ++i) {
    diff = std::max(diff, std::fabs(a[i] - b[i]));
    size = std::max(size, std::fabs(b[i]));
  }
  return diff / size;
}

// Parallel multiply against the serial kernel; workers pass no matrices at all.
void check_parallel_multiply(int na, int k, int nc, int ma, int mb, int mc, double alpha,
                             double beta) {
  std::mt19937_64 g(na * 7 + k * 3 + nc);
  const Dense at = ma == 0 ? testing::random_symmetric(k, g) : testing::random_dense(k, na, g);
  const Dense b = mb == 0 ? testing::random_symmetric(nc, g) : testing::random_dense(nc, k, g);
  const auto sa = testing::to_storage(at, ma), sb = testing::to_storage(b, mb);
  const bool packed = mc != 1 && mc != -1;
  std::vector<double> c0(packed ? std::size_t(nc) * (nc + 1) / 2 : std::size_t(nc) * na);
  for (std::size_t i = 0; i < c0.size(); ++i) c0[i] = std::sin(double(i));
  auto serial = c0, parallel = c0;
  if (is_master)
    multiply_serial(sa.data(), sb.data(), serial.data(), na, k, nc, ma, mb, mc, alpha, beta);
  matrix_multiply(is_master ? sa.data() : nullptr, is_master ? sb.data() : nullptr,
                  is_master ? parallel.data() : nullptr, na, k, nc, ma, mb, mc, alpha, beta);
  if (is_master) {
    EXPECT_LT(relative_difference(parallel, serial), 1e-12)
        << na << " " << k << " " << nc << " modes " << ma << mb << mc;
  }
}

TEST(LinalgMpi, MultiplyMatchesTheSerialKernel) {
  check_parallel_multiply(200, 200, 200, 1, 1, 1, 1.0, 0.0);
  check_parallel_multiply(130, 1500, 97, -1, 1, -1, 0.7, 0.3);   // several passes along K
  check_parallel_multiply(65, 301, 129, 1, -1, 1, -1.0, 1.0);
  check_parallel_multiply(150, 150, 150, 0, 0, 0, 1.0, 0.5);     // packed operands and C
  check_parallel_multiply(160, 90, 160, -1, 1, 2, 2.0, 0.0);     // antisymmetric layout of C
  check_parallel_multiply(160, 90, 160, 1, -1, 0, 1.0, 1.0);     // sum of u u^T, packed
  // Wide results are summed in several column groups.
  check_parallel_multiply(4100, 200, 70, 1, 1, 1, 1.0, 0.0);
  check_parallel_multiply(4100, 20, 4100, -1, 1, 0, 1.0, 1.0);
  // Work ratio below 16: the master alone computes.
  check_parallel_multiply(3, 1000, 3, 1, 1, 1, 1.0, 0.0);
  // alpha = 0 only scales C.
  check_parallel_multiply(100, 100, 100, 1, 1, 1, 0.0, 3.0);
}

// With `same_bits` the shared eigenvectors are exactly the single-process ones, also for a
// spectrum of exact multiplets (clusters that must stay whole on one node).
TEST(LinalgMpi, LargeEigensolverMatchesTheSerialPath) {
  std::vector<double> multiplets(330);
  for (int i = 0; i < 330; ++i) multiplets[i] = 0.5 + (i / 7) * 0.25;
  for (int n : {350, 420, 330}) {
    std::mt19937_64 g(n);
    const Dense a = n == 330 ? testing::with_spectrum(multiplets, g) : testing::random_symmetric(n, g);
    const auto packed = testing::packed_of(a);
    // The single-process steps, run here on the master alone.
    auto ref = packed;
    std::vector<double> h(n), d(n), e(n), rv(std::size_t(n) * n), rl(n);
    if (is_master) {
      tridiagonalize(ref.data(), n, h.data(), d.data(), e.data(), 1);
      tridiagonal_eigen(d.data(), e.data(), n, rv.data(), rl.data());
      apply_reflectors(ref.data(), h.data(), n, rv.data(), n);
      order_eigenpairs(rv.data(), rl.data(), n, n, 1);
    }
    for (bool same_bits : {false, true}) {
      std::vector<double> vectors(std::size_t(n) * n), values(n);
      auto work = packed;
      eigen_symmetric(work.data(), vectors.data(), values.data(), n, same_bits);
      if (!is_master) continue;
      if (same_bits) {
        EXPECT_EQ(values, rl) << n;
        EXPECT_EQ(vectors, rv) << n;
        continue;
      }
      EXPECT_LT(relative_difference(values, rl), 1e-12) << n;
      const auto err = testing::eigen_errors(a, vectors, values);
      EXPECT_LT(err.residual, 1e-10);
      EXPECT_LT(err.orthogonality, 1e-10);
      // Vectors agree as far as the eigenvalue gaps allow (the smallest gap here is ~1e-3).
      if (n != 330) {
        EXPECT_LT(relative_difference(vectors, rv), 1e-10) << n;
      }
    }
  }
}

TEST(LinalgMpi, OrthonormalisationMatchesClassicalGramSchmidt) {
  const int n = 97, m = 61;
  std::mt19937_64 g(5);
  const Dense s = testing::random_metric(n, g);
  const auto sp = testing::packed_of(s);
  const Dense c0 = testing::random_dense(m, n, g);
  auto c = c0.v;
  orthonormalize(is_master ? sp.data() : nullptr, is_master ? c.data() : nullptr, n, m);
  if (!is_master) return;
  // Reference: the same classical Gram-Schmidt written out on dense arrays.
  std::vector<double> ref = c0.v, w(std::size_t(n) * m, 0.0);
  for (int k = 0; k < m; ++k)
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) w[k * n + i] += s(i, j) * c0(k, j);
  for (int k = 0; k < m; ++k) {
    std::vector<double> sv(k + 1);
    for (int j = 0; j <= k; ++j) sv[j] = vec_dot(n, ref.data() + j * n, w.data() + k * n);
    double norm2 = sv[k];
    for (int j = 0; j < k; ++j) {
      vec_axpy(n, -sv[j], ref.data() + j * n, ref.data() + k * n);
      norm2 -= sv[j] * sv[j];
    }
    vec_scale(n, 1.0 / std::sqrt(norm2), ref.data() + k * n);
  }
  EXPECT_LT(relative_difference(c, ref), 1e-12);
}

TEST(LinalgMpi, SubspaceDiagonalisationAndRotations) {
  const int n = 250, m = 230;  // m / nodes > 100 takes the parallel eigensolver with 2 nodes
  std::mt19937_64 g(6);
  const Dense f = testing::random_symmetric(n, g);
  const auto fp = testing::packed_of(f);
  const auto up = testing::packed_unit(n);
  auto c = testing::random_dense(m, n, g).v;
  orthonormalize(up.data(), c.data(), n, m);
  std::vector<double> values(m);
  subspace_diagonalize(fp.data(), c.data(), n, m, values.data());
  if (is_master) {
    for (int a = 0; a < m; a += 37) {
      std::vector<double> fc(n, 0.0);
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) fc[i] += f(i, j) * c[a * n + j];
      EXPECT_NEAR(vec_dot(n, c.data() + a * n, fc.data()), values[a], 1e-11);
      for (int b = 0; b < m; b += 41)
        if (b != a) {
          EXPECT_NEAR(vec_dot(n, c.data() + b * n, fc.data()), 0.0, 1e-11);
        }
    }
  }
  // Rotations: the parallel result equals the rotations applied here in order.
  std::vector<int> pairs;
  std::vector<double> angles;
  for (int t = 0; t < 300; ++t) {
    pairs.push_back((t * 7) % m);
    pairs.push_back((t * 13 + 1) % m == (t * 7) % m ? (t * 13 + 2) % m : (t * 13 + 1) % m);
    angles.push_back(0.01 * t - 1.0);
  }
  auto rotated = c;
  plane_rotations(rotated.data(), n, 300, pairs.data(), angles.data());
  if (is_master) {
    auto ref = c;
    for (int t = 0; t < 300; ++t) {
      double* p = ref.data() + pairs[2 * t] * n;
      double* q = ref.data() + pairs[2 * t + 1] * n;
      for (int i = 0; i < n; ++i) {
        const double x = p[i], y = q[i];
        p[i] = std::cos(angles[t]) * x - std::sin(angles[t]) * y;
        q[i] = std::sin(angles[t]) * x + std::cos(angles[t]) * y;
      }
    }
    EXPECT_LT(relative_difference(rotated, ref), 1e-14);
  }
}

}  // namespace
}  // namespace ostrel
