#pragma once

namespace ostrel {

// Memory, disk, message and time use of every node, then the run sums of the timers.
// Collective unless the run is aborting, when each node reports only itself.
void print_run_report();

}  // namespace ostrel
