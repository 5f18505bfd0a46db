#pragma once
// The tasks "PATH" and "PATHX": the minimum-energy path through a chain of structures, all
// points moved together each cycle. Every interior point takes a quasi-Newton step (its own
// BFGS Hessian, from the model one) within the plane orthogonal to the path tangent, and
// along the tangent moves to even spacing; the highest point instead climbs along the
// tangent to the maximum (nudged elastic band with a climbing image: Henkelman, Uberuaga
// and Jonsson, J. Chem. Phys. 113, 9901 (2000); the upwind tangent of Henkelman and
// Jonsson, J. Chem. Phys. 113, 9978 (2000)). Both tasks step in cartesian coordinates,
// mass-weighted unless "massweight=0"; a chain is the input structures, each aligned to the
// one before it, or the first and last interpolated in internal coordinates.
#include "geometry/paths/path_records.hpp"

namespace ostrel {

void minimum_energy_path();

// The same with another source of energies and derivatives (tests). Every node calls it.
void minimum_energy_path_with(Evaluator evaluate);

}  // namespace ostrel
