#pragma once
// The task "EXTREMAL": the gradient-extremal path from a stationary point along one Hessian
// eigenvector. Each point is a Newton search, with the Hessian at every iteration, for the
// place on the plane through the predicted point orthogonal to the followed mode where the
// gradient is an eigenvector of the Hessian (Hoffman, Nord and Ruedenberg, Theor. Chim.
// Acta 69, 265 (1986); Sun and Ruedenberg, J. Chem. Phys. 98, 9707 (1993)).
#include "geometry/paths/path_records.hpp"

namespace ostrel {

void gradient_extremal_path();

// The same with another source of energies and derivatives (tests). Every node calls it.
void gradient_extremal_path_with(Evaluator evaluate);

}  // namespace ostrel
