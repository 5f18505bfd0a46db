#include "scf/guess/guess_minimal.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "input/theory_class.hpp"
#include "linalg/eigen_symmetric.hpp"
#include "linalg/subspace.hpp"
#include "model/matrix_print.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/timer.hpp"
#include "scf/guess/atomic_calculations.hpp"
#include "scf/guess/guess_frame.hpp"

namespace ostrel {

namespace {

long tri(long n) { return n * (n + 1) / 2; }

struct MinimalSettings {
  int n, m, natom, na, nb, closed, mix, localize, print;
};

// Model Hamiltonian over the atomic orbitals: the harmonic-mean coupling of two orbitals of
// the same class (core or valence). Two energies of opposite sign (or a sum near zero) would
// make that mean blow up; such pairs take the arithmetic mean instead.
void model_hamiltonian(const double* e, const int* label, const double* smin, int m, double* h) {
  for (int i = 0; i < m; ++i)
    for (int j = 0; j <= i; ++j) {
      const long k = tri(i) + j;
      if (i == j) {
        h[k] = e[i] * smin[k];
      } else if (label[2 * i + 1] != label[2 * j + 1]) {
        h[k] = 0.0;
      } else if (e[i] * e[j] > 0.0) {
        h[k] = 2.0 * e[i] * e[j] * smin[k] / (e[i] + e[j]);
      } else {
        h[k] = 0.5 * (e[i] + e[j]) * smin[k];
      }
    }
}

// Localises the first `count` columns of c with S c formed here (master only).
void localize_set(const double* s, double* c, int n, int count) {
  if (count <= 1) return;
  PoolArray<double> sc(static_cast<long>(n) * count);
  for (int k = 0; k < count; ++k) packed_times(s, n, c + static_cast<long>(k) * n, sc.data() + static_cast<long>(k) * n);
  const int natom = static_cast<int>(record_count(rec::n_basis)) - 1;
  PoolArray<int> first(natom + 1);
  record_read(rec::n_basis, first.span());
  localize_orbitals(c, sc.data(), n, count, natom, first.data());
}

// Any rotation of a set of degenerate eigenvectors is an eigenbasis, and the solver's pick
// follows rounding: a linear molecule's pi pair came out at a different angle for nearly equal
// geometries, and the whole SCF (and the grid built from its density) with it. Each set is
// turned to the orbitals' own axes: its vectors are the projections of the atomic orbitals
// taken in order, each orbital with a fair part left in the set. Vector k is v[k m ..].
void align_degenerate(double* v, const double* e, int m) {
  PoolArray<double> u(std::max(1L, static_cast<long>(m) * m)), p(std::max(1, m));
  for (int k0 = 0; k0 < m;) {
    int k1 = k0 + 1;
    while (k1 < m && e[k1] - e[k1 - 1] <= 1e-9 * std::max(1.0, std::fabs(e[k1]))) ++k1;
    const int d = k1 - k0;
    double* set = v + static_cast<long>(k0) * m;
    for (int chosen = 0, j = 0; d > 1 && chosen < d && j < m; ++j) {
      // Projection of orbital j onto the set, less the vectors already chosen.
      for (int i = 0; i < m; ++i) p[i] = 0.0;
      for (int k = 0; k < d; ++k)
        for (int i = 0; i < m; ++i) p[i] += set[static_cast<long>(k) * m + j] * set[static_cast<long>(k) * m + i];
      for (int k = 0; k < chosen; ++k) {
        const double* w = u.data() + static_cast<long>(k) * m;
        double dot = 0.0;
        for (int i = 0; i < m; ++i) dot += w[i] * p[i];
        for (int i = 0; i < m; ++i) p[i] -= dot * w[i];
      }
      double norm = 0.0;
      for (int i = 0; i < m; ++i) norm += p[i] * p[i];
      if (norm < 0.1 / d) continue;
      double* w = u.data() + static_cast<long>(chosen++) * m;
      for (int i = 0; i < m; ++i) w[i] = p[i] / std::sqrt(norm);
      if (chosen == d)
        for (long i = 0; i < static_cast<long>(d) * m; ++i) set[i] = u[i];
    }
    k0 = k1;
  }
}

}  // namespace

void minimal_basis_guess() {
  MinimalSettings g{};
  if (is_master) {
    g.n = record_get(rec::Nbasis);
    g.m = record_field(rec::atomic_M, &AtomicOrbitalCounts::orbitals);
    g.natom = static_cast<int>(record_count(rec::n_basis)) - 1;
    g.na = record_field(rec::Na, &PerStructure::whole);
    g.nb = record_field(rec::Nb, &PerStructure::whole);
    g.closed = record_get_or(rec::closed, 0);
    g.mix = record_get_or(rec::guess_mix, 0);
    g.localize = record_get_or(rec::guess_loc, 0);
    g.print = record_exists(rec::PRINT) && print_option("PRINT", "GUESS", 0) > 0;
  }
  mp_bcast(&g, sizeof g / sizeof(int), MP_INT);
  const int n = g.n, m = g.m;
  const long nn = static_cast<long>(n) * n;

  PoolArray<double> s(std::max(1L, tri(n))), c(std::max(1L, nn)), e(std::max(1, n));
  PoolArray<double> smin(std::max(1L, tri(m))), h(std::max(1L, tri(m))),
      v(std::max(1L, static_cast<long>(m) * m));
  PoolArray<double> ev(std::max(1, m));
  if (is_master) {
    PoolArray<double> ao(std::max(1L, static_cast<long>(n) * m)), sa(std::max(1L, static_cast<long>(n) * m));
    PoolArray<int> label(std::max(1, 2 * m));
    basis_overlap(s.data());
    record_read(rec::atomic_ao, ao.data(), std::int64_t{n} * m);
    record_read(rec::atomic_ae, e.data(), m);
    record_read(rec::atomic_al, label.data(), 2L * m);
    // S_min = A^T S A.
    for (int k = 0; k < m; ++k)
      packed_times(s.data(), n, ao.data() + static_cast<long>(k) * n, sa.data() + static_cast<long>(k) * n);
    for (int i = 0; i < m; ++i)
      for (int j = 0; j <= i; ++j) {
        double sum = 0.0;
        const double* a = ao.data() + static_cast<long>(i) * n;
        const double* b = sa.data() + static_cast<long>(j) * n;
        for (int k = 0; k < n; ++k) sum += a[k] * b[k];
        smin[tri(i) + j] = sum;
      }
    model_hamiltonian(e.data(), label.data(), smin.data(), m, h.data());
  }

  if (g.natom == 1) {
    // One atom: the atomic orbitals themselves, lowest energy first. They are stored shell by
    // shell, so a cation would otherwise keep 4s and lose a 3d (Zn2+ then settles 19 hartree up).
    if (is_master) {
      PoolArray<int> order(m);
      for (int i = 0; i < m; ++i) order[i] = i;
      std::stable_sort(order.data(), order.data() + m, [&](int a, int b) { return h[tri(a) + a] < h[tri(b) + b]; });
      for (long k = 0; k < static_cast<long>(m) * m; ++k) v[k] = 0.0;
      for (int k = 0; k < m; ++k) {
        v[static_cast<long>(k) * m + order[k]] = 1.0;
        ev[k] = h[tri(order[k]) + order[k]];
      }
    }
  } else if (m > 0) {
    eigen_symmetric(h.data(), v.data(), ev.data(), m);
    if (is_master) align_degenerate(v.data(), ev.data(), m);
  }
  timer("Orthogonalization", '-');
  if (m > 0) orthonormalize(smin.data(), v.data(), m, m);
  timer("Orthogonalization", '+');
  if (is_master && g.print) {
    std::printf("\n guess vectors in minimal basis:\n");
    print_matrix(v.data(), ev.data(), m, m);
  }

  if (is_master) {
    PoolArray<double> ao(std::max(1L, static_cast<long>(n) * m));
    record_read(rec::atomic_ao, ao.data(), std::int64_t{n} * m);
    for (int k = 0; k < m; ++k) {
      double* col = c.data() + static_cast<long>(k) * n;
      for (int i = 0; i < n; ++i) col[i] = 0.0;
      for (int j = 0; j < m; ++j) {
        const double w = v[static_cast<long>(k) * m + j];
        if (w == 0.0) continue;
        const double* a = ao.data() + static_cast<long>(j) * n;
        for (int i = 0; i < n; ++i) col[i] += w * a[i];
      }
      e[k] = ev[k];
    }
    complete_columns(s.data(), c.data(), n, m);
    double top = 0.0;
    for (int k = 0; k < m; ++k) top = std::max(top, e[k]);
    for (int k = m; k < n; ++k) e[k] = top + 1.0 + 0.1 * (k - m);
  }
  timer("Orthogonalization", '-');
  if (n > 0) orthonormalize(s.data(), c.data(), n, n);
  timer("Orthogonalization", '+');

  if (is_master) {
    PoolArray<int> order(std::max(1, 2 * n));
    PoolArray<double> cb(std::max(1L, nn)), eb(std::max(1, n));
    // Beta, then alpha; the mix turns the alpha HOMO and LUMO positions the opposite ways.
    for (long k = 0; k < nn; ++k) cb[k] = c[k];
    for (int k = 0; k < n; ++k) eb[k] = e[k];
    if (record_exists(rec::guess_nb)) {
      record_read(rec::guess_nb, order.data(), n);
      reorder_orbitals(order.data(), n, eb.data(), cb.data());
    }
    const bool mix = g.mix && g.na >= 1 && g.na < n;
    if (mix) rotate_columns(cb.data(), n, g.na - 1, g.na, 0.25);
    if (record_exists(rec::guess_na)) {
      record_read(rec::guess_na, order.data(), n);
      reorder_orbitals(order.data(), n, e.data(), c.data());
    }
    if (mix) rotate_columns(c.data(), n, g.na - 1, g.na, -0.25);
    if (g.localize) {
      localize_set(s.data(), c.data(), n, g.na);
      if (!g.closed) localize_set(s.data(), cb.data(), n, g.nb);
    }
    record_save(rec::Cb, cb.data(), nn);
    record_save(rec::eb, eb.data(), n);
    record_save(rec::Ca, c.data(), nn);
    record_save(rec::ea, e.data(), n);
    const double one = 1.0;
    record_save(rec::scf_Gmax, &one, 1);
  }
}

namespace {

// Ca (or Cb) = the frame with its minimal block turned by the given M x M vectors.
void project_spin(const double* frame, const double* energies, int n, int m, Record<double> given_c,
                  Record<double> given_e, Record<double> c_name, Record<double> e_name) {
  const long nn = static_cast<long>(n) * n, mm = static_cast<long>(m) * m;
  PoolArray<double> c(std::max(1L, nn)), e(std::max(1, n)), v(std::max(1L, mm)), ev(std::max(1, m));
  record_read(given_c, v.data(), mm);
  record_read(given_e, ev.data(), m);
  for (long i = 0; i < nn; ++i) c[i] = frame[i];
  for (int i = 0; i < n; ++i) e[i] = energies[i];
  for (int k = 0; k < m; ++k) {
    double* col = c.data() + static_cast<long>(k) * n;
    for (int i = 0; i < n; ++i) col[i] = 0.0;
    for (int j = 0; j < m; ++j) {
      const double w = v[static_cast<long>(k) * m + j];
      const double* b = frame + static_cast<long>(j) * n;
      for (int i = 0; i < n; ++i) col[i] += w * b[i];
    }
    e[k] = ev[k];
  }
  record_save(c_name, c.data(), nn);
  record_save(e_name, e.data(), n);
}

}  // namespace

void projected_guess() {
  int n = 0, given = 0;
  if (is_master) {
    n = record_get(rec::Nbasis);
    given = static_cast<int>(std::lround(std::sqrt(static_cast<double>(record_count(rec::guess_Ca)))));
  }
  mp_bcast(&n, 1, MP_INT);
  mp_bcast(&given, 1, MP_INT);
  const long nn = static_cast<long>(n) * n;
  PoolArray<double> frame(std::max(1L, nn)), energies(std::max(1, n)), s(std::max(1L, nn));
  const int m = minimal_frame(frame.data(), energies.data(), s.data(), n);
  if (given != m) fatal_error("\n $ce: n=%d, but the minimal basis has %d functions\n", given, m);
  if (!is_master) return;
  project_spin(frame.data(), energies.data(), n, m, rec::guess_Ca, rec::guess_ea, rec::Ca, rec::ea);
  project_spin(frame.data(), energies.data(), n, m, rec::guess_Cb, rec::guess_eb, rec::Cb, rec::eb);
  const double one = 1.0;
  record_save(rec::scf_Gmax, &one, 1);
}

}  // namespace ostrel
