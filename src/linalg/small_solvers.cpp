#include "linalg/small_solvers.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "linalg/vector_ops.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

void eigen_jacobi(double* a, double* vectors, double* values, int n, int stride) {
  if (n < 1) return;
  const std::int64_t len = stride == 0 ? n : stride;
  if (stride == 0) {
    vec_set(std::int64_t{n} * n, 0.0, vectors);
    for (std::int64_t i = 0; i < n; ++i) vectors[i * n + i] = 1.0;
  }
  auto at = [&](std::int64_t i, std::int64_t j) -> double& { return a[packed_index(i, j)]; };
  for (int sweep = 0; sweep < 50; ++sweep) {
    double off = 0.0, diag = 0.0;
    for (std::int64_t i = 0; i < n; ++i) {
      for (std::int64_t j = 0; j < i; ++j) off += at(i, j) * at(i, j);
      diag += at(i, i) * at(i, i);
    }
    off = std::sqrt(2.0 * off / (double(n) * n));
    diag = std::sqrt(diag / n);
    if (off <= 1e-14 * diag || off == 0.0) break;
    for (std::int64_t i = 1; i < n; ++i) {
      for (std::int64_t j = 0; j < i; ++j) {
        const double aij = at(i, j);
        if (aij == 0.0 || std::fabs(aij) < off) continue;
        // Rotation in the (j, i) plane that zeroes a_ij.
        const double theta = (at(i, i) - at(j, j)) / (2.0 * aij);
        const double t = (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
        const double c = 1.0 / std::sqrt(t * t + 1.0), s = t * c;
        for (std::int64_t k = 0; k < n; ++k) {
          if (k == i || k == j) continue;
          const double akj = at(k, j), aki = at(k, i);
          at(k, j) = c * akj - s * aki;
          at(k, i) = s * akj + c * aki;
        }
        at(j, j) -= t * aij;
        at(i, i) += t * aij;
        at(i, j) = 0.0;
        double* vj = vectors + j * len;
        double* vi = vectors + i * len;
        for (std::int64_t k = 0; k < len; ++k) {
          const double x = vj[k], y = vi[k];
          vj[k] = c * x - s * y;
          vi[k] = s * x + c * y;
        }
      }
    }
  }
  for (std::int64_t i = 0; i < n; ++i) values[i] = at(i, i);
  order_eigenpairs(vectors, values, static_cast<int>(len), n, 1);
}

namespace {

// Sort key of a pair; smaller keys come first.
double sort_key(const double* v, double value, int n, int mode) {
  switch (mode) {
    case 1: return value;
    case -1: return -value;
    case -2: return -std::fabs(value);
    default: return static_cast<double>(vec_index_max_abs(n, v));
  }
}

}  // namespace

void order_eigenpairs(double* vectors, double* values, int n, int m, int mode) {
  const std::int64_t nn = n;
  for (int j = 0; j < m; ++j) {
    double* v = vectors + j * nn;
    if (n > 0 && v[vec_index_max_abs(n, v)] < 0.0) vec_scale(n, -1.0, v);
  }
  if (m < 2) return;
  PoolArray<double> keys(m);
  for (int j = 0; j < m; ++j) keys[j] = sort_key(vectors + j * nn, values[j], n, mode);
  for (int j = 0; j + 1 < m; ++j) {
    int best = j;
    for (int k = j + 1; k < m; ++k)
      if (keys[k] < keys[best]) best = k;
    if (best != j) {
      std::swap(keys[j], keys[best]);
      std::swap(values[j], values[best]);
      vec_swap(n, vectors + j * nn, vectors + best * nn);
    }
  }
}

int ldlt_factor(double* a, int n) {
  int zero_pivot = -1;
  auto row = [&](std::int64_t r) { return a + r * (r + 1) / 2; };
  {
    for (std::int64_t i = 0; i < n; ++i) {
      double* ri = row(i);
      // ri[j] holds w_j = L_ij D_j while j < i is being formed.
      for (std::int64_t j = 0; j < i; ++j) ri[j] -= vec_dot(j, ri, row(j));
      double dii = ri[i];
      for (std::int64_t j = 0; j < i; ++j) {
        const double dj = row(j)[j];
        const double l = dj != 0.0 ? ri[j] / dj : 0.0;
        dii -= ri[j] * l;
        ri[j] = l;
      }
      ri[i] = dii;
      if (dii == 0.0 && zero_pivot < 0) zero_pivot = static_cast<int>(i);
    }
  }
  return zero_pivot;
}

void ldlt_solve(const double* a, int n, double* b, int k) {
  const bool half = n < 0;
  const std::int64_t nn = half ? -std::int64_t{n} : n;
  auto row = [&](std::int64_t r) { return a + r * (r + 1) / 2; };
  for (int rhs = 0; rhs < k; ++rhs) {
    double* x = b + rhs * nn;
    for (std::int64_t i = 1; i < nn; ++i) x[i] -= vec_dot(i, row(i), x);
    if (half) {
      for (std::int64_t i = 0; i < nn; ++i) x[i] /= std::sqrt(row(i)[i]);
      continue;
    }
    for (std::int64_t i = 0; i < nn; ++i) x[i] /= row(i)[i];
    for (std::int64_t i = nn - 1; i > 0; --i) vec_axpy(i, -x[i], row(i), x);
  }
}

namespace {

// x(mu) and its norm; a zero gradient component gives 0 even on a zero denominator.
double step_at(int n, const double* g, const double* d, double mu, double* x) {
  double s = 0.0;
  for (int i = 0; i < n; ++i) {
    x[i] = g[i] == 0.0 ? 0.0 : -g[i] / (d[i] + mu);
    s += x[i] * x[i];
  }
  return std::sqrt(s);
}

}  // namespace

double level_shifted_step(int n, const double* g, const double* d, double r, double* x,
                          double* predicted) {
  double lo = 0.0;
  if (n > 0) lo = std::max(0.0, -1.000000000001 * d[vec_index_min(n, d)]);
  double mu = lo;
  double norm = step_at(n, g, d, mu, x);
  if (!(norm <= r)) {
    double hi = lo + std::sqrt(vec_dot(n, g, g)) / r;
    // |x(hi)| <= r by construction; keep hi feasible while the bracket shrinks.
    while (hi - lo > 1e-12 * hi) {
      const double mid = 0.5 * (lo + hi);
      if (mid <= lo || mid >= hi) break;
      if (step_at(n, g, d, mid, x) > r) {
        lo = mid;
      } else {
        hi = mid;
      }
    }
    mu = hi;
    step_at(n, g, d, mu, x);
  }
  *predicted = 0.5 * (vec_dot(n, g, x) - mu * vec_dot(n, x, x));
  return mu;
}

}  // namespace ostrel
