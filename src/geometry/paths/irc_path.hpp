#pragma once
// The task "IRC": the intrinsic reaction coordinate from a saddle point (or downhill from
// an ordinary point) by constrained optimisations on hyperspheres in mass-weighted
// coordinates (Gonzalez and Schlegel, J. Chem. Phys. 90, 2154 (1989)); "IRC>" lines per
// point, the "REACTION PATH" listing and the energy profile at the end.
#include "geometry/paths/path_records.hpp"

namespace ostrel {

void irc_path();

// The same with another source of energies and derivatives (tests). Every node calls it.
void irc_path_with(Evaluator evaluate);

}  // namespace ostrel
