#pragma once
// The plain NDDO variant's matrices for one geometry: core Hamiltonian, pair integrals,
// core-core energy, and the Fock build from spin densities. Square matrices, eV.
#include <cstdint>

#include "models/nddo/nddo_pair.hpp"

namespace ostrel {

struct NddoSystem {
  int atoms;
  int nbf;
  const NddoAtom* atom;  // per atom
  const int* first;      // first function of each atom
  const double* xyz;     // 3 per atom, bohr
  double* hcore;         // nbf^2
  NddoPair* pair;        // A > B at A (A - 1) / 2 + B
  double core_energy;    // sum of core-core repulsions
};

inline std::int64_t nddo_pair_index(int a, int b) {
  return a > b ? std::int64_t{a} * (a - 1) / 2 + b : std::int64_t{b} * (b - 1) / 2 + a;
}

// Fills hcore, pair and core_energy (the arrays are the caller's).
void nddo_build(NddoSystem& s);

// Fock matrices of the spin densities pa, pb (square, symmetric).
void nddo_fock(const NddoSystem& s, const double* pa, const double* pb, double* fa, double* fb);

// Electronic energy 0.5 sum (P H + Pa Fa + Pb Fb).
double nddo_electronic_energy(const NddoSystem& s, const double* pa, const double* pb,
                              const double* fa, const double* fb);

}  // namespace ostrel
