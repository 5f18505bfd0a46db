#pragma once

namespace ostrel {

// Turns the "control" group into store records, runs the common set-up and one task.
void select_task();

}  // namespace ostrel
