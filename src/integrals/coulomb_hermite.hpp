#pragma once
#include "integrals/obara_saika.hpp"
#include "integrals/one_electron_matrices.hpp"

namespace ostrel {

// Two-electron and three-index integrals in the Hermite scheme: every charge distribution
// (a primitive pair of the wavefunction basis, or one primitive of the fitting basis) is
// written as a vector over Hermite Gaussians Lambda_tuv(p, P) = (d/dPx)^t (d/dPy)^u
// (d/dPz)^v exp(-p |r - P|^2), and two distributions meet through one interaction table.

inline constexpr int hermite_count(int l) { return (l + 1) * (l + 2) * (l + 3) / 6; }

// Index of Lambda_tuv in a Hermite vector: by order t + u + v, then in the Cartesian
// monomial order, so a vector of order l is a prefix of one of higher order.
inline constexpr int hermite_index(int t, int u, int v) {
  const int n = t + u + v;
  return n * (n + 1) * (n + 2) / 6 + (n - t) * (n - t + 1) / 2 + v;
}

struct HermiteTriple {
  int t, u, v;
};
HermiteTriple hermite_triple(int index);

// Largest order of one distribution or of an interaction table.
inline constexpr int kCoulombMaxOrder = kHermiteRDim - 1;

enum class Interaction {
  coulomb,  // 1 / |r1 - r2|
  overlap,  // delta(r1 - r2): three-index overlap
};

// Spherical Hermite expansion of one primitive pair (B rows, A columns), exp(-X) left out:
// out[(i * (2la+1) + j) * hermite_count(lb + la) + h]. Tables must reach lb and la.
void pair_hermite(const HermiteTables& e, int lb, int la, double* out);

// The same for d/dB_k (centre 0) or d/dA_k (centre 1) of the product; Hermite order
// lb + la + 1, tables reaching lb + 1 and la + 1.
void pair_hermite_derivative(const HermiteTables& e, const GaussianPair& g, int centre, int k, int lb, int la,
                             double* out);

// Spherical Hermite expansion of r^l Y exp(-c r^2) about its own centre:
// out[s * hermite_count(l) + h]. It depends on c and l only.
void single_hermite(double c, int l, double* out);

// Interaction of Lambda(p, P) with Lambda(q, Q) for all orders up to l, r.r[t][u][v] =
// scale x (d/dP)^tuv of the basic integral: Coulomb 2 pi^(5/2) / (p q sqrt(p+q)) F_0(...)
// in the Hermite form, overlap (pi/(p+q))^(3/2) exp(-pq/(p+q) |P - Q|^2).
void interaction_integrals(Interaction kind, double p, const double* P, double q, const double* Q, double scale,
                           int l, HermiteIntegrals& r);

// Gathers the table m[hb * hermite_count(lk) + hk] = (-1)^(tk+uk+vk) r[tb+tk][ub+uk][vb+vk]
// for bra orders up to lb and ket orders up to lk; with shift k = 0, 1, 2 every bra index
// is raised by one in that direction (the derivative with respect to P_k), -1 for none.
void interaction_table(const HermiteIntegrals& r, int lb, int lk, int shift, double* m);

}  // namespace ostrel
