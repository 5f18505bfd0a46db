#pragma once
#include <span>

#include "integrals/one_electron_pair.hpp"

namespace ostrel {

// The atoms of a basis as the assembly sees them: per-atom functions and the first
// function of each atom (natom + 1 entries, the last one the function count).
struct AtomSet {
  int natom;
  const AtomFunctions* atoms;
  const int* first_function;
};

inline long packed_size(int n) { return static_cast<long>(n) * (n + 1) / 2; }

// Adds the value operator's matrices (overlap, kinetic, attraction or moments; one packed
// lower triangle per block of the operator, one after the other) over the atom pairs
// B <= A for A = first_atom, first_atom + atom_stride, ... (the node share of a pass).
void add_packed_matrices(PairOperator op, const AtomSet& set, double epsilon, const PairOperatorData& data,
                         int first_atom, int atom_stride, double* packed);

}  // namespace ostrel
