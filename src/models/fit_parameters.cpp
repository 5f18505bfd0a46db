// The parameter-fitting tasks: "MM" fits force-field parameters, "NDDO" semi-empirical ones.
#include "input/pending_modules.hpp"
#include "models/mm/mm_fit.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {

void fit_parameters(int kind) {
  if (kind == 0) return mm_fit_parameters();
  fatal_error("\n the NDDO parameter fitting is not available in this build\n");
}

}  // namespace ostrel
