// Stop standing in for the parameter fitting until that module is built.
#include "input/pending_modules.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {

void fit_parameters(int) { fatal_error("\n the parameter fitting is not available in this build\n"); }

}  // namespace ostrel
