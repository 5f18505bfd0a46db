#pragma once

namespace ostrel {

// Named accumulating timers, collective over the nodes. Operations:
// '0' reset the interval sum, '-' start (after a barrier), '+' stop, 'r' print the line,
// anything else only returns the reading. Returns the summed CPU time on the master, 0
// elsewhere. A null name with 'r' prints the run sums of all timers.
double timer(const char* name, char op);

// Forgets every timer (start of a run, and tests).
void timer_clear();

}  // namespace ostrel
