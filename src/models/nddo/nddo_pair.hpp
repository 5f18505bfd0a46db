#pragma once
// Two-centre quantities of one atom pair in molecular axes (eV).
#include "models/nddo/nddo_atom.hpp"
#include "models/nddo/nddo_overlap.hpp"

namespace ostrel {

struct NddoPair {
  double w[256];  // (mn|pq), m, n on A, p, q on B: index (m na + n) nb^2 + p nb + q
  double h[16];   // resonance block, m on A, p on B: index m nb + p
  double gamma;   // (ss|ss), the core-core and core-electron kernel
};

// r = position of B minus position of A (bohr).
void nddo_pair(const NddoAtom& a, const NddoAtom& b, const double r[3], NddoPair& out);

// Repulsion of the two cores (eV) at distance r (bohr) given gamma = (ss|ss) there.
double nddo_core_repulsion(const NddoAtom& a, const NddoAtom& b, double r, double gamma);

}  // namespace ostrel
