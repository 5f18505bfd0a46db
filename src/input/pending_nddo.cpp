// Stops standing in for the semi-empirical model until that module is built.
#include "input/pending_modules.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {

void read_nddo_parameters(const char*, const char*) { fatal_error("\n the NDDO model is not available in this build\n"); }
void fit_parameters(int) { fatal_error("\n the parameter fitting is not available in this build\n"); }

}  // namespace ostrel
