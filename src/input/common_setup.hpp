#pragma once
#include <cstdio>

namespace ostrel {

// The set-up shared by every task except the model fits: molecule, core potentials and
// basis sets (or model data), the element shell table, the option groups of the theory,
// provided results and the optimizer options. Runs on every node after the control step;
// `task` must already be known on every node. The input is read by the master only.
void common_setup(const char* task, std::FILE* input = stdin);

// True when the task text contains the name of a task that steps through geometries
// (anywhere in it, so OPTIMIZE_TS counts): the optimizer options are read for it.
bool task_reads_optimizer_options(const char* task);

}  // namespace ostrel
