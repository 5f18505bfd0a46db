#include "models/fit_parameters.hpp"

#include "models/mm/mm_fit.hpp"
#include "models/nddo/nddo_fit.hpp"

namespace ostrel {

void fit_parameters(int kind) {
  if (kind == 0) return mm_fit_parameters();
  nddo_fit_parameters();
}

}  // namespace ostrel
