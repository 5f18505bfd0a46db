// Stops standing in for the SCF set-up until that module is built.
#include "input/pending_modules.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {

void scf_setup_options() { fatal_error("\n the SCF set-up (groups \"scf\", \"integral\", \"dft\") is not available in this build\n"); }

}  // namespace ostrel
