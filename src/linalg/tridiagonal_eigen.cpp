#include "linalg/tridiagonal_eigen.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "linalg/vector_ops.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

namespace {

typedef double v8d __attribute__((vector_size(64)));
typedef std::int64_t v8l __attribute__((vector_size(64)));
constexpr int LANES = 16;  // two registers of shifts in flight hide the division latency

// Number of eigenvalues below each of 16 shifts x (Sturm sequence of the LDL^T pivots).
void sturm_counts(const double* d, const double* e2, int m, double pivmin, const double* x,
                  std::int64_t* count) {
  v8d xa, xb;
  __builtin_memcpy(&xa, x, sizeof xa);
  __builtin_memcpy(&xb, x + 8, sizeof xb);
  const v8d piv = {pivmin, pivmin, pivmin, pivmin, pivmin, pivmin, pivmin, pivmin};
  const v8d zero{};
  v8l ca{}, cb{};
  v8d qa = d[0] - xa, qb = d[0] - xb;
  for (int i = 0;; ++i) {
    qa = ((qa < piv) & (qa > -piv)) ? -piv : qa;
    qb = ((qb < piv) & (qb > -piv)) ? -piv : qb;
    ca -= (qa < zero);
    cb -= (qb < zero);
    if (i + 1 == m) break;
    qa = (d[i + 1] - xa) - e2[i + 1] / qa;
    qb = (d[i + 1] - xb) - e2[i + 1] / qb;
  }
  __builtin_memcpy(count, &ca, sizeof ca);
  __builtin_memcpy(count + 8, &cb, sizeof cb);
}

// Eigenvalues k0..k0+nk-1 (nk <= LANES) of one unreduced block by bisection.
void bisect(const double* d, const double* e2, int m, double pivmin, double lo0, double hi0,
            double floor, int k0, int nk, double* out) {
  double lo[LANES], hi[LANES], x[LANES];
  std::int64_t count[LANES];
  bool done[LANES];
  for (int l = 0; l < LANES; ++l) {
    lo[l] = lo0;
    hi[l] = hi0;
    done[l] = l >= nk;
  }
  for (int iter = 0; iter < 200; ++iter) {
    bool all = true;
    for (int l = 0; l < LANES; ++l) {
      x[l] = 0.5 * (lo[l] + hi[l]);
      if (!done[l]) {
        const double w = hi[l] - lo[l];
        // A cut that no longer moves either end has reached the resolution of doubles.
        if (w <= 1e-15 * (std::fabs(hi[l]) + std::fabs(lo[l])) || w <= floor ||
            x[l] <= lo[l] || x[l] >= hi[l])
          done[l] = true;
      }
      all = all && done[l];
    }
    if (all) break;
    sturm_counts(d, e2, m, pivmin, x, count);
    for (int l = 0; l < nk; ++l) {
      if (done[l]) continue;
      if (count[l] > k0 + l) {
        hi[l] = x[l];
      } else {
        lo[l] = x[l];
      }
    }
  }
  for (int l = 0; l < nk; ++l) out[l] = 0.5 * (lo[l] + hi[l]);
}

// x = (T - s I)^-1 b by Gaussian elimination with partial pivoting (b overwritten).
void shifted_solve(const double* d, const double* e, int m, double s, double tiny, double* b,
                   double* dd, double* du, double* dl) {
  for (int i = 0; i < m; ++i) dd[i] = d[i] - s;
  for (int i = 0; i + 1 < m; ++i) {
    du[i] = e[i + 1];
    dl[i] = e[i + 1];
  }
  for (int i = 0; i + 1 < m; ++i) {
    if (std::fabs(dd[i]) >= std::fabs(dl[i])) {
      if (dd[i] == 0.0) dd[i] = tiny;
      const double f = dl[i] / dd[i];
      dd[i + 1] -= f * du[i];
      b[i + 1] -= f * b[i];
      dl[i] = 0.0;  // dl now holds the second superdiagonal
    } else {
      const double f = dd[i] / dl[i];
      dd[i] = dl[i];
      double t = dd[i + 1];
      dd[i + 1] = du[i] - f * t;
      if (i + 2 < m) {
        dl[i] = du[i + 1];
        du[i + 1] = -f * dl[i];
      } else {
        dl[i] = 0.0;
      }
      du[i] = t;
      t = b[i];
      b[i] = b[i + 1];
      b[i + 1] = t - f * b[i + 1];
    }
  }
  if (dd[m - 1] == 0.0) dd[m - 1] = tiny;
  b[m - 1] /= dd[m - 1];
  if (m > 1) b[m - 2] = (b[m - 2] - du[m - 2] * b[m - 1]) / dd[m - 2];
  for (int i = m - 3; i >= 0; --i) b[i] = (b[i] - du[i] * b[i + 1] - dl[i] * b[i + 2]) / dd[i];
}

// v_j = v_j - sum_(l<j) (v_l . v_j) v_l, then normalised (classical Gram-Schmidt).
void orthonormalize_against(double* v, int m, int j, double* coef) {
  for (int l = 0; l < j; ++l) coef[l] = vec_dot(m, v + std::int64_t{l} * m, v + std::int64_t{j} * m);
  for (int l = 0; l < j; ++l) vec_axpy(m, -coef[l], v + std::int64_t{l} * m, v + std::int64_t{j} * m);
  const double norm = std::sqrt(vec_dot(m, v + std::int64_t{j} * m, v + std::int64_t{j} * m));
  if (norm > 0) vec_scale(m, 1.0 / norm, v + std::int64_t{j} * m);
}

// Eigenvectors of eigenvalues lam[0..nc) of one block (order m) into v (vector-major).
void cluster_vectors(const double* d, const double* e, int m, const double* lam, int nc,
                     double tnorm, double* v, double* work) {
  double* dd = work;
  double* du = dd + m;
  double* dl = du + m;
  double* coef = dl + m;
  double* residual = coef + nc;
  constexpr double pi = std::numbers::pi;
  for (int j = 0; j < nc; ++j)
    for (int i = 0; i < m; ++i) v[std::int64_t{j} * m + i] = std::cos(double(i) * j * pi / (m - 1));
  const double shift = 2e-14 * tnorm;
  const double tiny = 1e-300 + 1e-16 * tnorm;
  // A start with no component along its eigenvector (a symmetric block whose other
  // eigenvector is exactly the start) never picks one up: such vectors start again from
  // scattered values.
  bool restarted = false;
  for (int pass = 0; pass < 50; ++pass) {
    double worst = 0.0;
    for (int j = 0; j < nc; ++j) {
      double* vj = v + std::int64_t{j} * m;
      orthonormalize_against(v, m, j, coef);
      shifted_solve(d, e, m, lam[j] - shift, tiny, vj, dd, du, dl);
      // Twice, so that a cluster's vectors stay orthogonal to working accuracy.
      orthonormalize_against(v, m, j, coef);
      orthonormalize_against(v, m, j, coef);
      double r2 = 0.0;
      for (int i = 0; i < m; ++i) {
        double r = (d[i] - lam[j]) * vj[i];
        if (i > 0) r += e[i] * vj[i - 1];
        if (i + 1 < m) r += e[i + 1] * vj[i + 1];
        r2 += r * r;
      }
      worst = std::max(worst, std::sqrt(r2));
      residual[j] = std::sqrt(r2);
    }
    if (worst <= 2e-14 * tnorm) break;
    if (pass == 24) {
      for (int j = 0; j < nc; ++j) {
        if (residual[j] <= 1e-8 * tnorm) continue;
        restarted = true;
        std::uint64_t state = 0x9e3779b97f4a7c15ULL * static_cast<std::uint64_t>(j + 1);
        for (int i = 0; i < m; ++i) {
          state = state * 6364136223846793005ULL + 1442695040888963407ULL;
          v[std::int64_t{j} * m + i] = static_cast<double>(state >> 11) * 0x1.0p-53 - 0.5;
        }
      }
      if (!restarted) break;
    }
  }
}

// End of the unreduced block that starts at b0.
int block_end(const double* d, const double* e, int n, int b0) {
  int b1 = b0 + 1;
  while (b1 < n && e[b1] != 0.0 && std::fabs(e[b1]) >= 1e-12 * (std::fabs(d[b1]) + std::fabs(d[b1 - 1]))) ++b1;
  return b1;
}

double tridiagonal_norm(const double* d, const double* e, int n) {
  double dmax = 0.0, emax = 0.0;
  for (int i = 0; i < n; ++i) dmax = std::max(dmax, std::fabs(d[i]));
  for (int i = 1; i < n; ++i) emax = std::max(emax, std::fabs(e[i]));
  return dmax + emax;
}

// End of the cluster of close eigenvalues that starts at c0 in a block's ascending values.
int cluster_end(const double* lam, int m, int c0, double tnorm) {
  int c1 = c0 + 1;
  while (c1 < m && lam[c1] <= lam[c1 - 1] + std::max(0.001 * std::fabs(lam[c1 - 1]), 1e-5 * tnorm)) ++c1;
  return c1;
}

// Values first..last-1 of the block b0..b0+m-1 (block-relative indices) by bisection.
void block_values(const double* bd, const double* e, int m, double tnorm, int first, int last, double* lam,
                  double* work) {
  // Off-diagonals squared (be2[0] unused), Gershgorin interval.
  double* be2 = work;
  be2[0] = 0.0;
  for (int i = 1; i < m; ++i) be2[i] = e[i] * e[i];
  double lo = bd[0], hi = bd[0];
  for (int i = 0; i < m; ++i) {
    const double r = (i > 0 ? std::fabs(e[i]) : 0.0) + (i + 1 < m ? std::fabs(e[i + 1]) : 0.0);
    lo = std::min(lo, bd[i] - r);
    hi = std::max(hi, bd[i] + r);
  }
  const double width = hi - lo;
  lo -= 1e-14 * width + 1e-300;
  hi += 1e-14 * width + 1e-300;
  double pivmin = 1e-300;
  for (int i = 1; i < m; ++i) pivmin = std::max(pivmin, be2[i] * 1e-290);
  const double floor = 1e-17 * tnorm;
  // Each lane bisects on its own, so any split of the indices gives the same values.
  for (int k = first; k < last; k += LANES)
    bisect(bd, be2, m, pivmin, lo, hi, floor, k, std::min(LANES, last - k), lam + k);
}

}  // namespace

void tridiagonal_values(const double* d, const double* e, int n, double* values, int nodes) {
  if (n < 1) return;
  const double tnorm = tridiagonal_norm(d, e, n);
  const int me = nodes > 1 ? node_id : 0;
  const int first = static_cast<int>(std::int64_t{n} * me / std::max(nodes, 1));
  const int last = static_cast<int>(std::int64_t{n} * (me + 1) / std::max(nodes, 1));
  PoolArray<double> work(std::int64_t{n} + 8);
  if (nodes > 1) vec_set(n, 0.0, values);
  for (int b0 = 0; b0 < n;) {
    const int b1 = block_end(d, e, n, b0);
    const int lo = std::max(first, b0) - b0, hi = std::min(last, b1) - b0;
    if (b1 - b0 == 1) {
      if (lo < hi) values[b0] = d[b0];
    } else if (lo < hi) {
      block_values(d + b0, e + b0, b1 - b0, tnorm, lo, hi, values + b0, work.data());
    }
    b0 = b1;
  }
  if (nodes > 1) {
    mp_sum(values, n, MP_DOUBLE);  // the other nodes' entries are zero: the sum is exact
    mp_bcast(values, n, MP_DOUBLE);
  }
  for (int b0 = 0; b0 < n;) {
    const int b1 = block_end(d, e, n, b0);
    std::sort(values + b0, values + b1);
    b0 = b1;
  }
}

int tridiagonal_cluster_start(const double* d, const double* e, int n, const double* values, int k) {
  if (k <= 0) return 0;
  const double tnorm = tridiagonal_norm(d, e, n);
  int b0 = 0, b1 = block_end(d, e, n, 0);
  while (b1 <= k && b1 < n) {
    b0 = b1;
    b1 = block_end(d, e, n, b0);
  }
  if (k >= b1) return n;
  int c = b0;
  while (c < k) c = b0 + cluster_end(values + b0, b1 - b0, c - b0, tnorm);
  return c;
}

void tridiagonal_vectors(const double* d, const double* e, int n, const double* values, int first, int last,
                         double* z) {
  if (last <= first) return;
  const std::int64_t nn = n;
  vec_set(nn * (last - first), 0.0, z);
  const double tnorm = tridiagonal_norm(d, e, n);
  for (int b0 = 0; b0 < last;) {
    const int b1 = block_end(d, e, n, b0);
    const int m = b1 - b0;
    if (b1 <= first) {
      b0 = b1;
      continue;
    }
    if (m == 1) {
      z[nn * (b0 - first) + b0] = 1.0;
      b0 = b1;
      continue;
    }
    const double* lam = values + b0;
    for (int c0 = 0; c0 < m && b0 + c0 < last;) {
      const int c1 = cluster_end(lam, m, c0, tnorm);
      if (b0 + c0 >= first) {
        const int nc = c1 - c0;
        PoolArray<double> v(std::int64_t{nc} * m + 3 * std::int64_t{m} + 2 * std::int64_t{nc} + 8);
        cluster_vectors(d + b0, e + b0, m, lam + c0, nc, tnorm, v.data(), v.data() + std::int64_t{nc} * m);
        for (int j = c0; j < c1; ++j)
          vec_copy(m, v.data() + std::int64_t{j - c0} * m, z + (b0 + j - first) * nn + b0);
      }
      c0 = c1;
    }
    b0 = b1;
  }
}

void tridiagonal_eigen(const double* d, const double* e, int n, double* z, double* values) {
  tridiagonal_values(d, e, n, values, 1);
  tridiagonal_vectors(d, e, n, values, 0, n, z);
}

}  // namespace ostrel
