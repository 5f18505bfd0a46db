// Stops standing in for the integration grid until that module is built.
#include "input/pending_modules.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {

void grid_setup_options() { fatal_error("\n the integration grid (group \"grid\") is not available in this build\n"); }

}  // namespace ostrel
