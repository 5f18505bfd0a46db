#pragma once

namespace ostrel {

// How a task name is served.
struct TaskRoute {
  const char* name;
  bool prefix;       // the task text only has to begin with the name
  bool setup;        // the common set-up runs first
  void (*run)();     // null: the task is not available in this build
};

// The route for `task` (upper case), or null when no route matches: such a task runs the
// set-up and nothing else.
const TaskRoute* find_task_route(const char* task);

// Stops the run with one line when `task` names a task this build does not offer.
void require_task_available(const char* task);

// Stops the run with one line when the theory (with relativistic mode `four`) has no
// implementation in this build.
void require_theory_available(const char* theory, int four);

// Runs the task routine on every node (the set-up must have run when the route asks
// for it). Unknown tasks do nothing.
void run_task(const char* task);

}  // namespace ostrel
