#include "geometry/paths/start_hessian.hpp"

#include <cstdio>

#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"

namespace ostrel {

int provide_start_hessian(Evaluator evaluate) {
  int need = 0;
  if (is_master) {
    need = !record_exists(rec::haveE) || record_field(rec::haveE, &ResultsGiven::hessian) == 0;
    if (need) {
      std::printf("\n no Hessian at the start structure: computed now (level 2)\n");
      std::fflush(stdout);
      if (record_exists(rec::grid)) record_put(rec::grid_adapt, record_get(rec::grid));
    }
  }
  mp_bcast(&need, 1, MP_INT);
  if (!need) return 0;
  evaluate(2);
  if (is_master) record_put(rec::haveE, ResultsGiven{1, 1, 1});
  return 1;
}

}  // namespace ostrel
