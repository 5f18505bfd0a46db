// The task "OPTIMIZE": optimizer steps on the master, energy and gradient on every node.
#include "geometry/run_optimization.hpp"

#include "geometry/optimize_cartesian.hpp"
#include "geometry/optimize_internal.hpp"
#include "geometry/optimize_records.hpp"
#include "geometry/paths/start_hessian.hpp"
#include "input/energy_driver.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/timer.hpp"

namespace ostrel {

void run_optimization_with(void (*evaluate)(int level)) {
  // exact, third "haveE" value, cartesian
  int flags[4] = {0, 0, 0, 0};  // and: a saddle search without a Hessian
  if (is_master) {
    flags[0] = record_get(rec::Opt_exact);
    flags[3] = record_get(rec::Opt_saddle) != 0;
    if (record_exists(rec::haveE)) flags[1] = record_field(rec::haveE, &ResultsGiven::hessian);
    flags[2] = record_get(rec::Opt_cartesian);
    record_put(rec::Opt_step, -1);
    record_put(rec::Opt_exits, 0);
  }
  mp_bcast(flags, 4, MP_INT);
  // The energy and gradient of the level-2 evaluation serve as step 0.
  const bool have_step0 = flags[3] && provide_start_hessian(evaluate) != 0;
  if (have_step0) flags[1] = 1;
  for (;;) {
    // The timer is collective; the step is the master's.
    timer("Geomtery Optimization", '-');
    if (is_master) {
      if (flags[2])
        optimize_step_cartesian();
      else
        optimize_step_internal();
    }
    timer("Geomtery Optimization", '+');
    int state[2] = {0, 0};  // step, exits
    if (is_master) {
      state[0] = record_get(rec::Opt_step);
      state[1] = record_get(rec::Opt_exits);
    }
    mp_bcast(state, 2, MP_INT);
    if (state[1] != 0) {
      if (is_master && record_exists(rec::haveE)) record_set_field(rec::haveE, &ResultsGiven::hessian, 0);
      break;
    }
    if (have_step0 && state[0] == 0) continue;
    int level = flags[0] ? 2 : 1;
    if (flags[0] && state[0] == 0 && flags[1] != 0) level = 1;
    evaluate(level);
  }
  timer("Geomtery Optimization", 'r');
}

void run_optimization() { run_optimization_with(evaluate); }

}  // namespace ostrel
