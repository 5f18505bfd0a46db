#pragma once

namespace ostrel {

// The task "OPTIMIZE": the master takes optimizer steps, every node evaluates energy and
// gradient together, until "Opt.exits" is set. Leaves the third "haveE" value 0.
void run_optimization();

// The same with another source of energies and derivatives (tests); every node calls it.
void run_optimization_with(void (*evaluate)(int level));

}  // namespace ostrel
