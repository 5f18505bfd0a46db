#pragma once

namespace ostrel {

// One step of the optimizer in cartesian coordinates: Euclidean trust region, translations
// and rotations projected out, optional cubic line fit. State in "Opt." records; master only.
void optimize_step_cartesian();

}  // namespace ostrel
