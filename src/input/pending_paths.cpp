// Stops standing in for the path, scan and saddle tasks until that module is built.
#include "input/pending_modules.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {

void minimum_energy_path() { fatal_error("\n the minimum energy path is not available in this build\n"); }

}  // namespace ostrel
