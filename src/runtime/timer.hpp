#pragma once

namespace ostrel {

// Seconds (whole, from the system clock) since the first call.
double wall_time();
// User plus system CPU time of this process in seconds.
double cpu_time();

// Named accumulating timers, collective over the nodes. Operations:
// '0' reset the interval sum, '-' start (after a barrier), '+' stop, 'r' print the line,
// anything else only returns the reading. Returns the summed CPU time on the master, 0
// elsewhere. A null name with 'r' prints the run sums of all timers.
double timer(const char* name, char op);

// Forgets every timer (start of a run, and tests).
void timer_clear();

// Memory, disk, message and time use of every node, then the run sums of the timers.
// Collective unless the run is aborting, when each node reports only itself.
void print_run_report();

}  // namespace ostrel
