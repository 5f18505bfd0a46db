// Stops standing in for the vibrational analysis until that module is built.
#include "input/pending_modules.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {

void vibrational_analysis() { fatal_error("\n the vibrational analysis is not available in this build\n"); }
void anharmonic_corrections() { fatal_error("\n the anharmonic analysis is not available in this build\n"); }

}  // namespace ostrel
