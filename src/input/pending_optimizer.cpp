// Stops standing in for the geometry optimizer until that module is built.
#include "input/pending_modules.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {

void read_optimize_options() { fatal_error("\n the geometry optimizer (group \"optimize\") is not available in this build\n"); }
void run_optimization() { fatal_error("\n the geometry optimizer is not available in this build\n"); }

}  // namespace ostrel
