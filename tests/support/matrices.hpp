#pragma once
// Plain loops over packed symmetric matrices (lower triangle by rows) and vector-major
// orbital sets, as independent references for the tests.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "linalg/eigen_symmetric.hpp"
#include "runtime/node.hpp"

namespace ostrel::testing {

inline std::size_t sym_index(int i, int j) {
  return i >= j ? static_cast<std::size_t>(i) * (i + 1) / 2 + j : static_cast<std::size_t>(j) * (j + 1) / 2 + i;
}

inline std::vector<double> unpack(int n, const std::vector<double>& p) {
  std::vector<double> a(static_cast<std::size_t>(n) * n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) a[i * n + j] = p[sym_index(i, j)];
  return a;
}

// max |a_i - b_i| over the common length.
inline double max_difference(const std::vector<double>& a, const std::vector<double>& b) {
  double worst = 0.0;
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) worst = std::max(worst, std::fabs(a[i] - b[i]));
  return worst;
}

// sum_ij a_ij b_ij of two packed symmetric matrices.
inline double packed_trace(int n, const double* a, const double* b) {
  double t = 0.0;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) t += (i == j ? 1.0 : 2.0) * a[sym_index(i, j)] * b[sym_index(i, j)];
  return t;
}

// Packed sum of c_k c_k^T over the first `nocc` vectors of length n.
inline std::vector<double> density(int n, int nocc, const std::vector<double>& c) {
  std::vector<double> d(static_cast<std::size_t>(n) * (n + 1) / 2, 0.0);
  for (int k = 0; k < nocc; ++k)
    for (int i = 0; i < n; ++i)
      for (int j = 0; j <= i; ++j) d[sym_index(i, j)] += c[k * n + i] * c[k * n + j];
  return d;
}

// max |C^T S C - I| over the first m vectors of length n, S packed.
inline double orthonormality_error(int n, const double* c, const double* s, int m = -1) {
  if (m < 0) m = n;
  double worst = 0.0;
  for (int p = 0; p < m; ++p)
    for (int q = 0; q <= p; ++q) {
      double x = 0.0;
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) x += c[p * n + i] * s[sym_index(i, j)] * c[q * n + j];
      worst = std::max(worst, std::fabs(x - (p == q ? 1.0 : 0.0)));
    }
  return worst;
}

// Generalised eigenvectors of the packed f in the packed metric s, vector-major n x n
// (ascending; their eigenvalues into `energies`), by symmetric orthogonalisation. The
// eigensolver runs as on one node: the MPI tests call this on the master alone.
inline std::vector<double> roothaan(int n, const std::vector<double>& f, const std::vector<double>& s,
                                    std::vector<double>* energies = nullptr) {
  const int nodes = node_count;
  node_count = 1;
  const std::size_t n2 = static_cast<std::size_t>(n) * n;
  std::vector<double> a = s, u(n2), e(n), x(n2, 0.0), g(s.size(), 0.0), w(n2), c(n2, 0.0);
  eigen_symmetric(a.data(), u.data(), e.data(), n);
  for (int k = 0; k < n; ++k)
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) x[i * n + j] += u[k * n + i] * u[k * n + j] / std::sqrt(e[k]);
  const std::vector<double> fd = unpack(n, f);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j)
      for (int k = 0; k < n; ++k)
        for (int l = 0; l < n; ++l) g[i * (i + 1) / 2 + j] += x[k * n + i] * fd[k * n + l] * x[l * n + j];
  eigen_symmetric(g.data(), w.data(), e.data(), n);
  for (int orb = 0; orb < n; ++orb)
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < n; ++k) c[orb * n + i] += x[i * n + k] * w[orb * n + k];
  node_count = nodes;
  if (energies) *energies = e;
  return c;
}

}  // namespace ostrel::testing
