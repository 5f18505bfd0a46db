#pragma once
// The evaluation loop that every path task runs on all nodes together.
#include <cstdio>

#include "geometry/paths/path_records.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"

namespace ostrel {

inline constexpr int kPathDone = -1;    // no further evaluation
inline constexpr int kPathStored = -2;  // the store already holds this point's results

// The master's next() names the derivative level of the next evaluation (or kPathDone,
// kPathStored); every node evaluates; the master's absorb() takes the results.
template <class Next, class Absorb>
void drive_evaluations(Evaluator evaluate, Next&& next, Absorb&& absorb) {
  for (;;) {
    int level = is_master ? next() : kPathDone;
    std::fflush(stdout);
    mp_bcast(&level, 1, MP_INT);
    if (level == kPathDone) return;
    if (level != kPathStored) evaluate(level);
    if (is_master) absorb();
  }
}

}  // namespace ostrel
