// Direct minimisation of the NDDO energy over plane rotations of orbital pairs, with a
// diagonal orbital-energy preconditioner and a limited-memory BFGS history of 16 pairs.
#include "models/nddo/nddo_scf.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "linalg/eigen_symmetric.hpp"
#include "linalg/gemm_kernel.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

constexpr int kHistory = 16;
constexpr int kMaxIterations = 256;
constexpr double kStepCap = 0.0625;
constexpr double kGradientTarget = 1e-8;

struct Spaces {
  int n, nd, ns;
  int occ_a(int k) const { return k < nd + ns; }
  int occ_b(int k) const { return k < nd; }
};

// Rotation pairs (p < q in different spaces) in a fixed order.
int rotation_pairs(const Spaces& sp, int* p, int* q) {
  int m = 0;
  for (int i = 0; i < sp.nd + sp.ns; ++i)
    for (int j = std::max(i + 1, i < sp.nd ? sp.nd : sp.nd + sp.ns); j < sp.n; ++j) {
      p[m] = i;
      q[m] = j;
      ++m;
    }
  return m;
}

void densities(const Spaces& sp, const double* c, double* pa, double* pb) {
  const std::int64_t n = sp.n, nn = n * n;
  for (std::int64_t k = 0; k < nn; ++k) pa[k] = pb[k] = 0;
  const int na = sp.nd + sp.ns;
  if (sp.nd > 0)
    gemm_views({c, STORE_COLUMNS, sp.nd, n}, {c, STORE_ROWS, n, sp.nd}, pb, STORE_ROWS, n, n, n, sp.nd, 1.0);
  if (sp.ns == 0) {
    for (std::int64_t k = 0; k < nn; ++k) pa[k] = pb[k];
  } else if (na > 0) {
    gemm_views({c, STORE_COLUMNS, na, n}, {c, STORE_ROWS, n, na}, pa, STORE_ROWS, n, n, n, na, 1.0);
  }
}

// Rows 0..rows-1 of C^T f C (row-major, n columns) into mo, using `tmp` (rows x n):
// the first orbitals' rows first, so that fewer rows cost less.
void to_orbitals(int n, int rows, const double* c, const double* f, double* tmp, double* mo) {
  const std::int64_t part = std::int64_t{rows} * n;
  for (std::int64_t k = 0; k < part; ++k) tmp[k] = mo[k] = 0;
  gemm_views({c, STORE_ROWS, n, rows}, {f, STORE_ROWS, n, n}, tmp, STORE_ROWS, n, rows, n, n, 1.0);
  gemm_views({tmp, STORE_ROWS, n, rows}, {c, STORE_COLUMNS, n, n}, mo, STORE_ROWS, n, rows, n, n, 1.0);
}

// Both spins' Fock matrices in the orbitals; a closed shell has one.
void orbital_fock(const Spaces& sp, int rows, const double* c, const double* fa, const double* fb,
                  double* tmp, double* moa, double* mob) {
  to_orbitals(sp.n, rows, c, fa, tmp, moa);
  if (sp.ns > 0)
    to_orbitals(sp.n, rows, c, fb, tmp, mob);
  else
    for (std::int64_t k = 0; k < std::int64_t{rows} * sp.n; ++k) mob[k] = moa[k];
}

// Diagonalises the mean spin Fock matrix inside each space; orbitals and energies replaced.
void canonicalise(const Spaces& sp, const double* moa, const double* mob, double* c, double* e) {
  const int bounds[4] = {0, sp.nd, sp.nd + sp.ns, sp.n};
  const std::int64_t n = sp.n;
  for (int s = 0; s < 3; ++s) {
    const int lo = bounds[s], m = bounds[s + 1] - bounds[s];
    if (m == 0) continue;
    PoolArray<double> block(std::int64_t{m} * m), vec(std::int64_t{m} * m), val(m), rot(n * m);
    for (int i = 0; i < m; ++i)
      for (int j = 0; j < m; ++j)
        block[i * m + j] = 0.5 * (moa[(lo + i) * n + lo + j] + mob[(lo + i) * n + lo + j]);
    nddo_eigen(block.data(), m, vec.data(), val.data());
    for (int k = 0; k < m; ++k)
      for (std::int64_t x = 0; x < n; ++x) {
        double v = 0;
        for (int i = 0; i < m; ++i) v += c[(lo + i) * n + x] * vec[k * m + i];
        rot[k * n + x] = v;
      }
    for (std::int64_t k = 0; k < n * m; ++k) c[lo * n + k] = rot[k];
    for (int k = 0; k < m; ++k) e[lo + k] = val[k];
  }
}

}  // namespace

void nddo_eigen(const double* m, int n, double* vectors, double* values) {
  PoolArray<double> packed(std::int64_t{n} * (n + 1) / 2 + 1);
  std::int64_t k = 0;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) packed[k++] = m[std::int64_t{i} * n + j];
  eigen_symmetric_local(packed.data(), vectors, values, n);
}

NddoScfResult nddo_scf(const NddoSystem& s, int nd, int ns, double* c, double* e, double* pa,
                       double* pb, double* fa, double* fb, int print) {
  const Spaces sp{s.nbf, nd, ns};
  const std::int64_t n = sp.n, nn = n * n;
  const std::int64_t maxp = std::int64_t{nd + ns} * n + 1;
  PoolArray<int> pi(maxp), qi(maxp);
  const int m = rotation_pairs(sp, pi.data(), qi.data());
  PoolArray<double> moa(nn), mob(nn), tmp(nn);
  PoolArray<double> g(m + 1), gold(m + 1), step(m + 1), diag(m + 1), dn(m + 1);
  PoolArray<double> hs(std::int64_t{kHistory} * (m + 1)), hy(std::int64_t{kHistory} * (m + 1));
  double rho[kHistory], alpha[kHistory];
  int stored = 0;
  bool canonical = false, final_pass = false, have_step = false;
  NddoScfResult r{0, 0, 0, false};
  for (int k = 0; k < m; ++k) {
    const int p = pi[k], q = qi[k];
    dn[k] = (sp.occ_a(p) - sp.occ_a(q)) + (sp.occ_b(p) - sp.occ_b(q));
  }

  for (int it = 0; it < kMaxIterations; ++it) {
    densities(sp, c, pa, pb);
    nddo_fock(s, pa, pb, fa, fb);
    const double energy = nddo_electronic_energy(s, pa, pb, fa, fb);
    const bool fresh = it == 0 || !canonical || final_pass;
    // The rotation gradient needs the occupied rows only; the canonical form needs all.
    orbital_fock(sp, fresh ? sp.n : sp.nd + sp.ns, c, fa, fb, tmp.data(), moa.data(), mob.data());
    if (fresh) {
      canonicalise(sp, moa.data(), mob.data(), c, e);
      orbital_fock(sp, sp.nd + sp.ns, c, fa, fb, tmp.data(), moa.data(), mob.data());
      // Orbital-energy differences, lifted so that none falls below 0.25 hartree.
      double smallest = 1e30;
      for (int k = 0; k < m; ++k) smallest = std::min(smallest, (e[qi[k]] - e[pi[k]]) / kNddoEv);
      const double shift = std::max(0.0, 0.25 - smallest);
      for (int k = 0; k < m; ++k)
        diag[k] = 1.0 / (2.0 * dn[k] * ((e[qi[k]] - e[pi[k]]) / kNddoEv + shift));
      stored = 0;
      have_step = false;
      canonical = true;
    }
    double gmax = 0;
    for (int k = 0; k < m; ++k) {
      const int p = pi[k], q = qi[k];
      g[k] = 2.0 * ((sp.occ_a(p) - sp.occ_a(q)) * moa[p * n + q] + (sp.occ_b(p) - sp.occ_b(q)) * mob[p * n + q]) /
             kNddoEv;
      gmax = std::max(gmax, std::fabs(g[k]));
    }
    r.electronic = energy;
    r.gmax = gmax;
    r.iterations = it + 1;
    if (final_pass) break;
    if (have_step) {
      double sy = 0;
      for (int k = 0; k < m; ++k) sy += step[k] * (g[k] - gold[k]);
      if (sy > 0) {
        for (int k = 0; k < m; ++k) {
          hs[stored * (m + 1) + k] = step[k];
          hy[stored * (m + 1) + k] = g[k] - gold[k];
        }
        rho[stored++] = 1.0 / sy;
      }
    }
    // Two-loop recursion: the history applied as successive rank-two inverse updates.
    for (int k = 0; k < m; ++k) step[k] = g[k];
    for (int h = stored - 1; h >= 0; --h) {
      double a = 0;
      for (int k = 0; k < m; ++k) a += hs[h * (m + 1) + k] * step[k];
      alpha[h] = a * rho[h];
      for (int k = 0; k < m; ++k) step[k] -= alpha[h] * hy[h * (m + 1) + k];
    }
    for (int k = 0; k < m; ++k) step[k] *= diag[k];
    for (int h = 0; h < stored; ++h) {
      double b = 0;
      for (int k = 0; k < m; ++k) b += hy[h * (m + 1) + k] * step[k];
      b *= rho[h];
      for (int k = 0; k < m; ++k) step[k] += (alpha[h] - b) * hs[h * (m + 1) + k];
    }
    double x = 0;
    for (int k = 0; k < m; ++k) {
      step[k] = -step[k];
      x = std::max(x, std::fabs(step[k]));
    }
    if (x > kStepCap) {
      for (int k = 0; k < m; ++k) step[k] *= kStepCap / x;
      x = kStepCap;
    }
    if (print)
      std::printf(" it=%2d: E=%20.15lf g=%12.10lf x=%12.10lf\n", it,
                  (energy + s.core_energy) / kNddoEv, gmax, x);
    if (gmax < kGradientTarget) r.converged = true;
    if (r.converged || it >= kMaxIterations - 2) final_pass = true;
    for (int k = 0; k < m; ++k) {
      const double cs = std::cos(step[k]), sn = std::sin(step[k]);
      double* cp = c + pi[k] * n;
      double* cq = c + qi[k] * n;
      for (std::int64_t i = 0; i < n; ++i) {
        const double u = cp[i], v = cq[i];
        cp[i] = cs * u + sn * v;
        cq[i] = -sn * u + cs * v;
      }
    }
    for (int k = 0; k < m; ++k) gold[k] = g[k];
    have_step = true;
    if (stored == kHistory) canonical = false;  // history full: start afresh
  }
  if (print) {
    std::printf("\n e:");
    for (std::int64_t k = 0; k < n; ++k) std::printf("%s%12.6lf", k % 6 ? "" : "\n", e[k]);
    std::printf("\n\n C:\n");
    for (std::int64_t k = 0; k < n; ++k) {
      for (std::int64_t i = 0; i < n; ++i) std::printf("%s%10.6lf", i % 8 || i == 0 ? "" : "\n", c[k * n + i]);
      std::printf("\n");
    }
  }
  return r;
}

}  // namespace ostrel
