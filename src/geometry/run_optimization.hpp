#pragma once

namespace ostrel {

// The task "OPTIMIZE": the master takes optimizer steps, every node evaluates energy and
// gradient together, until "Opt.exits" is set. Leaves the third "haveE" value 0.
void run_optimization();

}  // namespace ostrel
