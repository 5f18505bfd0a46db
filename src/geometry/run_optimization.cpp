// The task "OPTIMIZE": optimizer steps on the master, energy and gradient on every node.
#include "geometry/run_optimization.hpp"

#include "geometry/optimize_cartesian.hpp"
#include "geometry/optimize_internal.hpp"
#include "geometry/optimize_records.hpp"
#include "input/pending_modules.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/timer.hpp"

namespace ostrel {

void run_optimization() {
  // exact, third "haveE" value, cartesian
  int flags[3] = {0, 0, 0};
  if (is_master) {
    flags[0] = record_get(rec::Opt_exact);
    if (record_exists(rec::haveE)) flags[1] = record_field(rec::haveE, &ResultsGiven::hessian);
    flags[2] = record_get(rec::Opt_cartesian);
    record_put(rec::Opt_step, -1);
    record_put(rec::Opt_exits, 0);
  }
  mp_bcast(flags, 3, MP_INT);
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
    int level = flags[0] ? 2 : 1;
    if (flags[0] && state[0] == 0 && flags[1] != 0) level = 1;
    evaluate(level);
  }
  timer("Geomtery Optimization", 'r');
}

}  // namespace ostrel
