// Stop standing in for the SCF driver until it is built.
#include "runtime/fatal.hpp"
#include "scf/scf_procedure.hpp"

namespace ostrel {

void scf_run() { fatal_error("\n the SCF procedure is not available in this build\n"); }

}  // namespace ostrel
