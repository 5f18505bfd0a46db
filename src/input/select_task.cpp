// Placeholder until the control step and the task routines exist: the run ends after
// start-up with the report.
#include "input/select_task.hpp"

namespace ostrel {

void select_task() {}

}  // namespace ostrel
