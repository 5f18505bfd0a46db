#pragma once
// Core-core repulsion of one atom pair. T is double, or Dual3 to carry the derivatives
// with respect to the pair vector.
#include "models/nddo/nddo_atom.hpp"
#include "models/nddo/nddo_dual.hpp"

namespace ostrel {

// Repulsion of the two cores (eV) at distance r (bohr) given gamma = (ss|ss) there.
template <class T>
T nddo_core_repulsion(const NddoAtom& a, const NddoAtom& b, const T& r, const T& gamma);

}  // namespace ostrel
