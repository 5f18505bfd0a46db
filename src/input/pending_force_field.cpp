// Stops standing in for the force field until that module is built.
#include "input/pending_modules.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {

void read_mm_parameters(const char*, const char*) { fatal_error("\n the force field is not available in this build\n"); }
void mm_dynamics() { fatal_error("\n molecular dynamics is not available in this build\n"); }

}  // namespace ostrel
