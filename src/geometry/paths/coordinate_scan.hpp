#pragma once
// The task "SCAN": a relaxed scan of the fixed internal coordinates from their start to
// their end values, one constrained optimisation per point, "SCAN>" lines at the end.
#include "geometry/paths/path_records.hpp"

namespace ostrel {

void coordinate_scan();

// The same with another source of energies and derivatives (tests). Every node calls it.
void coordinate_scan_with(Evaluator evaluate);

}  // namespace ostrel
