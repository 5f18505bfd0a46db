#pragma once
// The task "TRANSIT": a chain of structures interpolated in internal coordinates between the
// first and the last input structure, each interior point optimised with its path parameter
// held (the projection of its internal coordinates on the interpolation line), "PATH>"
// lines and the energy profile at the end. The highest point brackets the saddle point
// (synchronous transit in the sense of Halgren and Lipscomb, Chem. Phys. Lett. 49, 225
// (1977), with every interior point relaxed orthogonally to the path).
#include "geometry/paths/path_records.hpp"

namespace ostrel {

void synchronous_transit();

// The same with another source of energies and derivatives (tests). Every node calls it.
void synchronous_transit_with(Evaluator evaluate);

}  // namespace ostrel
