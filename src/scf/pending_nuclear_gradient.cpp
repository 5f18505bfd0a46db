// Stop standing in for the SCF gradient until it is built.
#include "runtime/fatal.hpp"
#include "scf/nuclear_gradient.hpp"

namespace ostrel {

void scf_nuclear_gradient() { fatal_error("\n the SCF gradient is not available in this build\n"); }

}  // namespace ostrel
