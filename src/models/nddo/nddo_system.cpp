// Core Hamiltonian and Fock matrices of the NDDO approximation: two-electron integrals
// survive only when each side's two functions sit on one atom.
#include "models/nddo/nddo_system.hpp"

#include <cmath>

#include "models/nddo/nddo_core_repulsion.hpp"

namespace ostrel {

void nddo_build(NddoSystem& s) {
  const int n = s.nbf;
  for (std::int64_t k = 0; k < std::int64_t{n} * n; ++k) s.hcore[k] = 0;
  s.core_energy = 0;
  for (int a = 0; a < s.atoms; ++a) {
    const NddoAtom& A = s.atom[a];
    for (int m = 0; m < A.nbf; ++m) {
      const int fm = s.first[a] + m;
      s.hcore[std::int64_t{fm} * n + fm] = A.u[m > 0];
    }
  }
  for (int a = 1; a < s.atoms; ++a)
    for (int b = 0; b < a; ++b) {
      const NddoAtom& A = s.atom[a];
      const NddoAtom& B = s.atom[b];
      const double r[3] = {s.xyz[3 * b] - s.xyz[3 * a], s.xyz[3 * b + 1] - s.xyz[3 * a + 1],
                           s.xyz[3 * b + 2] - s.xyz[3 * a + 2]};
      NddoPair& p = s.pair[nddo_pair_index(a, b)];
      nddo_pair(A, B, r, p);
      const double dist = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
      s.core_energy += nddo_core_repulsion(A, B, dist, p.gamma);
      const int na = A.nbf, nb = B.nbf, fa = s.first[a], fb = s.first[b];
      // Attraction of each atom's electrons to the other core.
      for (int m = 0; m < na; ++m)
        for (int k = 0; k < na; ++k)
          s.hcore[std::int64_t{fa + m} * n + fa + k] -= B.core * p.w[(m * na + k) * nb * nb];
      for (int m = 0; m < nb; ++m)
        for (int k = 0; k < nb; ++k)
          s.hcore[std::int64_t{fb + m} * n + fb + k] -= A.core * p.w[m * nb + k];
      for (int m = 0; m < na; ++m)
        for (int k = 0; k < nb; ++k) {
          s.hcore[std::int64_t{fa + m} * n + fb + k] = p.h[m * nb + k];
          s.hcore[std::int64_t{fb + k} * n + fa + m] = p.h[m * nb + k];
        }
    }
}

void nddo_fock(const NddoSystem& s, const double* pa, const double* pb, double* fa, double* fb) {
  const std::int64_t n = s.nbf;
  for (std::int64_t k = 0; k < n * n; ++k) fa[k] = fb[k] = s.hcore[k];
  auto at = [n](const double* m, int i, int j) { return m[i * n + j]; };
  for (int a = 0; a < s.atoms; ++a) {
    const NddoAtom& A = s.atom[a];
    const int na = A.nbf, o = s.first[a];
    for (int i = 0; i < na; ++i)
      for (int j = 0; j < na; ++j) {
        double ja = 0, ka = 0, kb = 0;
        for (int k = 0; k < na; ++k)
          for (int l = 0; l < na; ++l) {
            const double ptot = at(pa, o + k, o + l) + at(pb, o + k, o + l);
            ja += ptot * nddo_one_centre(A, i, j, k, l);
            const double x = nddo_one_centre(A, i, k, j, l);
            ka += at(pa, o + k, o + l) * x;
            kb += at(pb, o + k, o + l) * x;
          }
        fa[(o + i) * n + o + j] += ja - ka;
        fb[(o + i) * n + o + j] += ja - kb;
      }
  }
  for (int a = 1; a < s.atoms; ++a)
    for (int b = 0; b < a; ++b) {
      const NddoPair& p = s.pair[nddo_pair_index(a, b)];
      const int na = s.atom[a].nbf, nb = s.atom[b].nbf, oa = s.first[a], ob = s.first[b];
      const int nbb = nb * nb;
      for (int i = 0; i < na; ++i)
        for (int j = 0; j < na; ++j) {
          const double* w = p.w + (i * na + j) * nbb;
          // Coulomb on A from B's density, on B from A's density.
          double ja = 0;
          for (int k = 0; k < nb; ++k)
            for (int l = 0; l < nb; ++l) ja += (at(pa, ob + k, ob + l) + at(pb, ob + k, ob + l)) * w[k * nb + l];
          fa[(oa + i) * n + oa + j] += ja;
          fb[(oa + i) * n + oa + j] += ja;
          const double pij = at(pa, oa + i, oa + j) + at(pb, oa + i, oa + j);
          for (int k = 0; k < nb; ++k)
            for (int l = 0; l < nb; ++l) {
              fa[(ob + k) * n + ob + l] += pij * w[k * nb + l];
              fb[(ob + k) * n + ob + l] += pij * w[k * nb + l];
            }
          // Exchange: (i j | k l) couples functions i, k and j, l across the pair.
          for (int k = 0; k < nb; ++k)
            for (int l = 0; l < nb; ++l) {
              const double x = w[k * nb + l];
              fa[(oa + i) * n + ob + k] -= at(pa, oa + j, ob + l) * x;
              fb[(oa + i) * n + ob + k] -= at(pb, oa + j, ob + l) * x;
            }
        }
      for (int i = 0; i < na; ++i)
        for (int k = 0; k < nb; ++k) {
          fa[(ob + k) * n + oa + i] = fa[(oa + i) * n + ob + k];
          fb[(ob + k) * n + oa + i] = fb[(oa + i) * n + ob + k];
        }
    }
}

double nddo_electronic_energy(const NddoSystem& s, const double* pa, const double* pb,
                              const double* fa, const double* fb) {
  const std::int64_t nn = std::int64_t{s.nbf} * s.nbf;
  double e = 0;
  for (std::int64_t k = 0; k < nn; ++k)
    e += (pa[k] + pb[k]) * s.hcore[k] + pa[k] * fa[k] + pb[k] * fb[k];
  return 0.5 * e;
}

}  // namespace ostrel
