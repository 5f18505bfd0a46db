#include "scf/guess/guess_frame.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "integrals/basis_adapter.hpp"
#include "linalg/subspace.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/timer.hpp"
#include "scf/guess/atomic_calculations.hpp"

namespace ostrel {

namespace {

long tri(long n) { return n * (n + 1) / 2; }

}  // namespace

void packed_times(const double* s, int n, const double* x, double* y) {
  for (int i = 0; i < n; ++i) y[i] = 0.0;
  for (int i = 0; i < n; ++i) {
    const double* row = s + tri(i);
    double sum = 0.0;
    for (int j = 0; j < i; ++j) {
      sum += row[j] * x[j];
      y[j] += row[j] * x[i];
    }
    y[i] += sum + row[i] * x[i];
  }
}

void basis_overlap(double* s) {
  Molecule mol = load_molecule(0, "Molecule");
  Basis basis = load_basis(0, "Basis", mol);
  {
    BasisViews views(basis, mol);
    for (long i = 0; i < tri(basis.n_functions); ++i) s[i] = 0.0;
    add_packed_matrices(PairOperator::overlap, views.atoms, 1e-12, {}, 0, 1, s);
  }
  release_basis(basis);
  release_molecule(mol);
}

void complete_columns(const double* s, double* c, int n, int m) {
  if (m >= n) return;
  const long nn = static_cast<long>(n) * n;
  // Candidates: every unit vector with the first m columns projected out, and S times it.
  PoolArray<double> r(nn), sr(nn), sc(static_cast<long>(n) * std::max(m, 1)), norm(n), sv(n);
  PoolArray<int> taken(n);
  for (int k = 0; k < m; ++k)
    packed_times(s, n, c + static_cast<long>(k) * n, sc.data() + static_cast<long>(k) * n);
  for (int j = 0; j < n; ++j) {
    double* col = r.data() + static_cast<long>(j) * n;
    for (int i = 0; i < n; ++i) col[i] = i == j ? 1.0 : 0.0;
    for (int k = 0; k < m; ++k) {
      const double p = sc[static_cast<long>(k) * n + j];  // c_k^T S e_j
      const double* ck = c + static_cast<long>(k) * n;
      for (int i = 0; i < n; ++i) col[i] -= p * ck[i];
    }
    packed_times(s, n, col, sr.data() + static_cast<long>(j) * n);
    double q = 0.0;
    for (int i = 0; i < n; ++i) q += col[i] * sr[static_cast<long>(j) * n + i];
    norm[j] = q;
    taken[j] = 0;
  }
  for (int k = m; k < n; ++k) {
    int best = -1;
    for (int j = 0; j < n; ++j)
      if (!taken[j] && (best < 0 || norm[j] > norm[best])) best = j;
    taken[best] = 1;
    const double scale = 1.0 / std::sqrt(std::max(norm[best], 1e-300));
    double* v = c + static_cast<long>(k) * n;
    const double* col = r.data() + static_cast<long>(best) * n;
    const double* scol = sr.data() + static_cast<long>(best) * n;
    for (int i = 0; i < n; ++i) {
      v[i] = col[i] * scale;
      sv[i] = scol[i] * scale;
    }
    for (int j = 0; j < n; ++j) {
      if (taken[j]) continue;
      double* cj = r.data() + static_cast<long>(j) * n;
      double* sj = sr.data() + static_cast<long>(j) * n;
      double p = 0.0;
      for (int i = 0; i < n; ++i) p += sv[i] * cj[i];
      for (int i = 0; i < n; ++i) {
        cj[i] -= p * v[i];
        sj[i] -= p * sv[i];
      }
      norm[j] -= p * p;
    }
  }
}

int minimal_frame(double* cnf, double* energies, double* s, int n) {
  int m = 0;
  if (is_master) {
    m = record_field(rec::atomic_M, &AtomicOrbitalCounts::orbitals);
  }
  mp_bcast(&m, 1, MP_INT);
  if (is_master) {
    basis_overlap(s);
    record_read(rec::atomic_ao, cnf, std::int64_t{n} * m);
    record_read(rec::atomic_ae, energies, m);
  }
  timer("Orthogonalization", '-');
  orthonormalize(s, cnf, n, m);
  timer("Orthogonalization", '+');
  if (is_master) {
    complete_columns(s, cnf, n, m);
    double top = 0.0;
    for (int k = 0; k < m; ++k) top = std::max(top, energies[k]);
    for (int k = m; k < n; ++k) energies[k] = top + 1.0 + 0.1 * (k - m);
  }
  return m;
}

void reorder_orbitals(const int* order, int n, double* energies, double* c) {
  if (n <= 0) return;
  const long nn = static_cast<long>(n) * n;
  PoolArray<int> used(n);
  for (int i = 0; i < n; ++i) used[i] = 0;
  for (int i = 0; i < n; ++i) {
    const int k = order[i];
    if (k < 0 || k >= n)
      fatal_error("\n guess: orbital %d in position %d is not one of 1..%d\n", k + 1, i + 1, n);
    if (used[k]) fatal_error("\n guess: orbital %d is named twice (position %d)\n", k + 1, i + 1);
    used[k] = 1;
  }
  PoolArray<double> e(n), copy(nn);
  for (int i = 0; i < n; ++i) e[i] = energies[i];
  for (long i = 0; i < nn; ++i) copy[i] = c[i];
  for (int i = 0; i < n; ++i) {
    energies[i] = e[order[i]];
    const double* from = copy.data() + static_cast<long>(order[i]) * n;
    double* to = c + static_cast<long>(i) * n;
    for (int k = 0; k < n; ++k) to[k] = from[k];
  }
}

void rotate_columns(double* c, int n, int p, int q, double t) {
  const double cs = std::cos(t), sn = std::sin(t);
  double* x = c + static_cast<long>(p) * n;
  double* y = c + static_cast<long>(q) * n;
  for (int i = 0; i < n; ++i) {
    const double a = x[i], b = y[i];
    x[i] = cs * a - sn * b;
    y[i] = sn * a + cs * b;
  }
}

namespace {

constexpr int kMaxSweeps = 64;
constexpr double kAngleTolerance = 1e-6;

void turn(double* x, double* y, int n, double cs, double sn) {
  for (int k = 0; k < n; ++k) {
    const double a = x[k], b = y[k];
    x[k] = cs * a + sn * b;
    y[k] = -sn * a + cs * b;
  }
}

}  // namespace

void localize_orbitals(double* c, double* sc, int n, int count, int natom, const int* first) {
  for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
    double tmax = 0.0;
    for (int i = 1; i < count; ++i)
      for (int j = 0; j < i; ++j) {
        double* ci = c + static_cast<long>(i) * n;
        double* cj = c + static_cast<long>(j) * n;
        double* si = sc + static_cast<long>(i) * n;
        double* sj = sc + static_cast<long>(j) * n;
        double a = 0.0, b = 0.0;
        for (int at = 0; at < natom; ++at) {
          double qii = 0.0, qjj = 0.0, qij = 0.0;
          for (int mu = first[at]; mu < first[at + 1]; ++mu) {
            qii += ci[mu] * si[mu];
            qjj += cj[mu] * sj[mu];
            qij += cj[mu] * si[mu] + sj[mu] * ci[mu];
          }
          const double d = qjj - qii;
          a += d * d - qij * qij;
          b += qij * d;
        }
        const double t = std::fabs(a) + std::fabs(b) >= 1e-15 ? 0.25 * std::atan2(b, a) : 0.0;
        if (std::fabs(t) < kAngleTolerance) continue;
        tmax = std::max(tmax, std::fabs(t));
        const double cs = std::cos(t), sn = std::sin(t);
        turn(cj, ci, n, cs, sn);
        turn(sj, si, n, cs, sn);
      }
    if (is_master) std::printf("  tmax = %10.8lf\n", tmax);
    if (tmax < kAngleTolerance) break;
  }
}

}  // namespace ostrel
