#pragma once
// Two-centre quantities of one atom pair in molecular axes (eV). T is double, or Dual3 for
// the exact derivatives with respect to the pair vector.
#include "models/nddo/nddo_atom.hpp"
#include "models/nddo/nddo_dual.hpp"
#include "models/nddo/nddo_overlap.hpp"

namespace ostrel {

template <class T>
struct NddoPairT {
  T w[256];  // (mn|pq), m, n on A, p, q on B: index (m na + n) nb^2 + p nb + q
  T h[16];   // resonance block, m on A, p on B: index m nb + p
  T gamma;   // (ss|ss), the core-core and core-electron kernel
};
using NddoPair = NddoPairT<double>;

// r = position of B minus position of A (bohr).
template <class T>
void nddo_pair(const NddoAtom& a, const NddoAtom& b, const T r[3], NddoPairT<T>& out);

}  // namespace ostrel
