#pragma once
// The task "STERIC": the energy and gradient of a probe atom (the molecule's last atom)
// placed at a list of positions (input group "steric"), "steric>" lines, and their
// weighted sum.
#include "geometry/paths/path_records.hpp"

namespace ostrel {

void steric_probe();

// The same with another source of energies and derivatives (tests). Every node calls it.
void steric_probe_with(Evaluator evaluate);

}  // namespace ostrel
