#pragma once
#include <cstdint>

#include "integrals/coulomb_hermite.hpp"
#include "integrals/one_electron_matrices.hpp"

namespace ostrel {

// The density-fitting members over a wavefunction basis `orb` and a fitting basis `aux` on
// the same atoms (atom i of one is atom i of the other). Results are added into the
// outputs, so nodes can each do a share and sum.

// The wavefunction atom pairs (A, B <= A) a call treats: the atoms A in `atoms` (all atoms
// when null) and for each the B of its row of `lists` (natom x natom, ascending, ended by
// -1 when shorter; every B <= A when null).
struct FitPairs {
  const int* atoms = nullptr;
  int count = 0;
  const int* lists = nullptr;
};

// Calls body(A, B) for every pair of `pairs`, in the order every fit member uses.
template <class Body>
void for_each_fit_pair(const FitPairs& pairs, int natom, Body&& body) {
  const int count = pairs.atoms ? pairs.count : natom;
  for (int x = 0; x < count; ++x) {
    const int a = pairs.atoms ? pairs.atoms[x] : x;
    if (pairs.lists) {
      const int* row = pairs.lists + static_cast<long>(a) * natom;
      for (int y = 0; y < natom && row[y] >= 0; ++y)
        if (row[y] <= a) body(a, row[y]);
    } else {
      for (int b = 0; b <= a; ++b) body(a, b);
    }
  }
}

// The largest angular momentum of any atom of the set.
int largest_l(const AtomSet& set);

// gamma[d * m + k] += sum_{mu nu} (k|mu nu) P_d(mu, nu) for nd packed densities P_d
// (Coulomb or three-index overlap). With the overlap kind and `counts` non-null also
// counts[d] += sum P_d S, the electron count of each density. With `atom_stride` the pairs of
// atom a add into gamma + a * atom_stride instead, so that per-atom sums can be added in a
// fixed order, whichever node computed them.
void fit_projection(Interaction kind, const AtomSet& orb, const AtomSet& aux, const FitPairs& pairs, double epsilon,
                    int nd, const double* densities, double* gamma, double* counts = nullptr,
                    std::int64_t atom_stride = 0);

// M_d(mu, nu) += sum_k (mu nu|k) c_d,k, packed, for nd coefficient vectors; with
// `multipliers` (overlap kind) also u_d S(mu, nu).
void fit_assembly(Interaction kind, const AtomSet& orb, const AtomSet& aux, const FitPairs& pairs, double epsilon,
                  int nd, const double* coefficients, double* matrices, const double* multipliers = nullptr);

// grad (3 per atom) += sum_d sum_k c_d,k sum_{mu nu} P_d(mu, nu) d(mu nu|k)/dR, plus
// u_d sum P_d dS/dR when `multipliers` is given (overlap kind).
void fit_three_centre_gradient(Interaction kind, const AtomSet& orb, const AtomSet& aux, const FitPairs& pairs,
                               double epsilon, int nd, const double* densities, const double* coefficients,
                               double* grad, const double* multipliers = nullptr);

// The packed metric (k|l) of the fitting basis (Coulomb or overlap) for the rows of atoms
// first_atom, first_atom + stride, ...
void fit_metric(Interaction kind, const AtomSet& aux, int first_atom, int stride, double* packed);

// grad += sum_s sum_kl d_s,k c_s,l d(k|l)/dR for ns vector pairs, rows of atoms
// first_atom, first_atom + stride, ...
void fit_metric_gradient(Interaction kind, const AtomSet& aux, int first_atom, int stride, int ns, const double* d,
                         const double* c, double* grad);

// Integrals of the fitting functions (m), then their x, y, z moments about the origin
// (3 blocks of m): s[0..4m).
void fit_moments(const AtomSet& aux, double* s);

}  // namespace ostrel
