#pragma once
// The task "SADDLE": the saddle point between two structures. Stage 1 maximises the energy
// along their interpolation in internal coordinates (cubic fits through bracketing points);
// stage 2 refines that maximum with the optimizer's saddle search, whose starting Hessian is
// the model one with the interpolation direction given the curvature of the stage-1 fit.
#include "geometry/paths/path_records.hpp"

namespace ostrel {

void approximate_saddle_search();

// The same with another source of energies and derivatives (tests). Every node calls it.
void approximate_saddle_search_with(Evaluator evaluate);

}  // namespace ostrel
