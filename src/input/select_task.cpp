#include "input/select_task.hpp"

#include <cstdio>

#include "input/common_setup.hpp"
#include "input/control_options.hpp"
#include "input/task_dispatch.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/records.hpp"

namespace ostrel {

void select_task() {
  control_step(stdin);

  char task[64] = {};
  char theory[64] = {};
  int four = 0;
  if (is_master) {
    record_read(rec::task, task, 64);
    record_read(rec::theory, theory, 64);
    four = record_get(rec::four);
  }
  mp_bcast(task, 64, MP_BYTE);
  task[63] = '\0';

  // Stop before any reading when the request cannot be served.
  require_task_available(task);
  const TaskRoute* route = find_task_route(task);
  if (!route || route->setup) {
    mp_bcast(theory, 64, MP_BYTE);
    mp_bcast(&four, 1, MP_INT);
    theory[63] = '\0';
    require_theory_available(theory, four);
    common_setup(task, stdin);
  }
  run_task(task);
}

}  // namespace ostrel
