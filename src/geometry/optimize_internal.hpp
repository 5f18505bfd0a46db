#pragma once

namespace ostrel {

// One step of the optimizer in weighted redundant internal coordinates: reads the energy
// and gradient at the geometry in "Molecule", updates the Hessian model, takes a
// trust-region step (with constraints) and writes the next geometry. State in "Opt."
// records; master only.
void optimize_step_internal();

}  // namespace ostrel
