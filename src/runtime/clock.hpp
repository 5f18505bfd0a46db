#pragma once

namespace ostrel {

// Seconds (whole, from the system clock) since the first call.
double wall_time();
// User plus system CPU time of this process in seconds.
double cpu_time();

}  // namespace ostrel
