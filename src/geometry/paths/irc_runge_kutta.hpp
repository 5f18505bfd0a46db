#pragma once
// The task "IRC4": the steepest-descent path in mass-weighted coordinates integrated with
// fourth-order Runge-Kutta steps from a saddle point along a Hessian eigenvector. Each
// stage follows the normalised gradient, so in a narrow valley whose walls are much
// stiffer than the gradient along the floor the step must be small; the task "IRC" has no
// such limit.
#include "geometry/paths/path_records.hpp"

namespace ostrel {

void irc_runge_kutta();

// The same with another source of energies and derivatives (tests). Every node calls it.
void irc_runge_kutta_with(Evaluator evaluate);

}  // namespace ostrel
