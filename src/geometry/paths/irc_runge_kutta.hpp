#pragma once
// The task "IRC4": the steepest-descent path in mass-weighted coordinates integrated with
// fourth-order Runge-Kutta steps from a saddle point along a Hessian eigenvector. The steps
// are exponential Runge-Kutta steps in the normal modes of the start's Hessian carried
// along the path through internal coordinates: the stiff walls of a narrow valley are
// integrated exactly, so the step is not limited by them.
#include "geometry/paths/path_records.hpp"

namespace ostrel {

void irc_runge_kutta();

// The same with another source of energies and derivatives (tests). Every node calls it.
void irc_runge_kutta_with(Evaluator evaluate);

}  // namespace ostrel
