#pragma once
// Task selection and the set-up that every task shares, with the option groups read there.
#include <cstdio>

namespace ostrel {

// Turns the "control" group into store records, runs the common set-up and one task.
void select_task();

// The set-up shared by every task except the model fits: molecule, core potentials and
// basis sets (or model data), the element shell table, the option groups of the theory,
// provided results and the optimizer options. Runs on every node after the control step;
// `task` must already be known on every node. The input is read by the master only.
void common_setup(const char* task, std::FILE* input = stdin);

// True when the task text contains the name of a task that steps through geometries
// (anywhere in it, so OPTIMIZE_TS counts): the optimizer options are read for it.
bool task_reads_optimizer_options(const char* task);

// Reads the group "ci" (options of the correlated methods) into "ci_ndiis", "ci_Niter",
// "ci_v4" and "ci_ecut". The iteration limit defaults to the SCF's ("iterations").
// Master only.
void read_ci_options(std::FILE* input = stdin);

// Semi-empirical starting data: the orbital order of group "order" into "guess_na"
// (0-based, 16 slots per atom) and the orbitals of group "ce" into "guess_nc",
// "guess_Ca" and "guess_ea". Master only.
void read_nddo_guess_groups(std::FILE* input = stdin);

}  // namespace ostrel
