#pragma once
// Naive dense references, storage conversions and self-checks of eigen-decompositions
// (residual, orthogonality and invariants) shared by the linear-algebra tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "linalg/multiply.hpp"
#include "linalg/vector_ops.hpp"

namespace ostrel::testing {

// Row-major dense matrix.
struct Dense {
  int rows = 0, cols = 0;
  std::vector<double> v;
  Dense() = default;
  Dense(int r, int c) : rows(r), cols(c), v(std::size_t(r) * c, 0.0) {}
  double& operator()(int i, int j) { return v[std::size_t(i) * cols + j]; }
  double operator()(int i, int j) const { return v[std::size_t(i) * cols + j]; }
};

inline Dense random_dense(int r, int c, std::mt19937_64& g) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  Dense m(r, c);
  for (auto& x : m.v) x = u(g);
  return m;
}

inline Dense random_symmetric(int n, std::mt19937_64& g) {
  Dense m = random_dense(n, n, g);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < i; ++j) m(j, i) = m(i, j);
  return m;
}

inline Dense random_antisymmetric(int n, std::mt19937_64& g) {
  Dense m = random_dense(n, n, g);
  for (int i = 0; i < n; ++i) {
    m(i, i) = 0.0;
    for (int j = 0; j < i; ++j) m(j, i) = -m(i, j);
  }
  return m;
}

// A positive definite metric: B^T B / n + I.
inline Dense random_metric(int n, std::mt19937_64& g) {
  const Dense b = random_dense(n, n, g);
  Dense s(n, n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      for (int k = 0; k < n; ++k) s(i, j) += b(k, i) * b(k, j) / n;
      s(i, j) += i == j ? 1.0 : 0.0;
    }
  return s;
}

// Storage of a dense matrix in a mode (packed modes store the lower triangle as the mode
// reads it back, so a matrix of the mode's symmetry round-trips exactly).
inline std::vector<double> to_storage(const Dense& m, int mode) {
  if (mode == STORE_ROWS) return m.v;
  std::vector<double> s;
  if (mode == STORE_COLUMNS) {
    s.resize(m.v.size());
    for (int i = 0; i < m.rows; ++i)
      for (int j = 0; j < m.cols; ++j) s[std::size_t(j) * m.rows + i] = m(i, j);
    return s;
  }
  s.resize(std::size_t(m.rows) * (m.rows + 1) / 2);
  for (int i = 0; i < m.rows; ++i)
    for (int j = 0; j <= i; ++j) {
      const ElementRef e = element_ref(mode, m.cols, m.rows, i, j);
      s[e.offset] = e.sign * m(i, j);
    }
  return s;
}

inline Dense from_storage(const std::vector<double>& s, int mode, int rows, int cols) {
  Dense m(rows, cols);
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) {
      const ElementRef e = element_ref(mode, cols, rows, i, j);
      m(i, j) = e.sign * s[e.offset];
    }
  return m;
}

inline Dense naive_product(const Dense& a, const Dense& b) {
  Dense c(a.rows, b.cols);
  for (int i = 0; i < a.rows; ++i)
    for (int k = 0; k < a.cols; ++k) {
      const double x = a(i, k);
      for (int j = 0; j < b.cols; ++j) c(i, j) += x * b(k, j);
    }
  return c;
}

struct EigenErrors {
  double residual = 0;        // max_k |A v_k - lambda_k v_k| / max |lambda|
  double orthogonality = 0;   // max |V^T V - I|
  double trace = 0;           // |sum lambda - trace A| / (n max|lambda|)
  double frobenius = 0;       // |sum lambda^2 - |A|_F^2| / (n max lambda^2)
};

// a: dense symmetric; vectors vector-major.
inline EigenErrors eigen_errors(const Dense& a, const std::vector<double>& vectors,
                                const std::vector<double>& values) {
  const int n = a.rows;
  EigenErrors err;
  double scale = 1e-300;
  for (double v : values) scale = std::max(scale, std::fabs(v));
  // A V (column-major) and V^T V through the multiply, itself checked against loops.
  std::vector<double> av(std::size_t(n) * n), vtv(std::size_t(n) * n);
  multiply_serial(vectors.data(), a.v.data(), av.data(), n, n, n, -1, 1, -1, 1.0, 0.0);
  multiply_serial(vectors.data(), vectors.data(), vtv.data(), n, n, n, -1, 1, 1, 1.0, 0.0);
  for (int k = 0; k < n; ++k) {
    double r2 = 0;
    for (int i = 0; i < n; ++i) {
      const double r = av[std::size_t(k) * n + i] - values[k] * vectors[std::size_t(k) * n + i];
      r2 += r * r;
    }
    err.residual = std::max(err.residual, std::sqrt(r2) / scale);
    for (int j = 0; j < n; ++j)
      err.orthogonality = std::max(err.orthogonality,
                                   std::fabs(vtv[std::size_t(k) * n + j] - (j == k ? 1.0 : 0.0)));
  }
  double tr = 0, fro = 0, s1 = 0, s2 = 0;
  for (int i = 0; i < n; ++i) {
    tr += a(i, i);
    for (int j = 0; j < n; ++j) fro += a(i, j) * a(i, j);
    s1 += values[i];
    s2 += values[i] * values[i];
  }
  err.trace = std::fabs(s1 - tr) / (n * scale);
  err.frobenius = std::fabs(s2 - fro) / (n * std::max(scale * scale, 1e-300));
  return err;
}

inline void expect_sign_and_order(const std::vector<double>& vectors,
                                  const std::vector<double>& values, int n) {
  for (int k = 0; k < n; ++k) {
    if (k > 0) {
      EXPECT_LE(values[k - 1], values[k]);
    }
    const double* v = vectors.data() + std::size_t(k) * n;
    int big = 0;
    for (int i = 1; i < n; ++i)
      if (std::fabs(v[i]) > std::fabs(v[big])) big = i;
    EXPECT_GT(v[big], 0.0) << "vector " << k;
  }
}

inline std::vector<double> packed_of(const Dense& a) {
  std::vector<double> p;
  for (int i = 0; i < a.rows; ++i)
    for (int j = 0; j <= i; ++j) p.push_back(a(i, j));
  return p;
}

// The packed unit matrix.
inline std::vector<double> packed_unit(int n) {
  std::vector<double> p(std::size_t(n) * (n + 1) / 2, 0.0);
  for (int i = 0; i < n; ++i) p[std::size_t(i) * (i + 3) / 2] = 1.0;
  return p;
}

// Q D Q^T with Q a product of three random reflectors: a dense matrix of known spectrum.
inline Dense with_spectrum(const std::vector<double>& spectrum, std::mt19937_64& g) {
  const int n = static_cast<int>(spectrum.size());
  Dense a(n, n);
  for (int i = 0; i < n; ++i) a(i, i) = spectrum[i];
  std::normal_distribution<double> normal;
  for (int r = 0; r < 3; ++r) {
    std::vector<double> u(n);
    double s = 0;
    for (auto& x : u) {
      x = normal(g);
      s += x * x;
    }
    for (auto& x : u) x /= std::sqrt(s);
    // A = H A H with H = I - 2 u u^T: A - 2 u w^T - 2 w u^T + 4 (u.w) u u^T, w = A u.
    std::vector<double> w(n, 0.0);
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) w[i] += a(i, j) * u[j];
    double uw = 0;
    for (int i = 0; i < n; ++i) uw += u[i] * w[i];
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j)
        a(i, j) += -2 * u[i] * w[j] - 2 * w[i] * u[j] + 4 * uw * u[i] * u[j];
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < i; ++j) a(j, i) = a(i, j);
  return a;
}

}  // namespace ostrel::testing
