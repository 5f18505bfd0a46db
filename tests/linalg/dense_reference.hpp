#pragma once
// Naive dense references and storage conversions shared by the linear-algebra tests.
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

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

inline Dense transpose(const Dense& m) {
  Dense t(m.cols, m.rows);
  for (int i = 0; i < m.rows; ++i)
    for (int j = 0; j < m.cols; ++j) t(j, i) = m(i, j);
  return t;
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

inline double max_abs_diff(const Dense& a, const Dense& b) {
  double d = 0.0;
  for (std::size_t i = 0; i < a.v.size(); ++i) d = std::fmax(d, std::fabs(a.v[i] - b.v[i]));
  return d;
}

inline double max_abs(const Dense& a) {
  double d = 0.0;
  for (double x : a.v) d = std::fmax(d, std::fabs(x));
  return d;
}

}  // namespace ostrel::testing
