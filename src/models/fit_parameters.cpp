// The parameter-fitting tasks: "MM" fits force-field parameters, "NDDO" semi-empirical ones.
#include "input/pending_modules.hpp"
#include "models/mm/mm_fit.hpp"
#include "models/nddo/nddo_fit.hpp"

namespace ostrel {

void fit_parameters(int kind) {
  if (kind == 0) return mm_fit_parameters();
  nddo_fit_parameters();
}

}  // namespace ostrel
