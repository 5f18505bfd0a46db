// Placeholders until the basis and core-potential readers exist.
#include "model/basis_input.hpp"
#include "model/ecp_input.hpp"
#include "runtime/fatal.hpp"

namespace ostrel {

void read_basis(const char*, const char*, const char*, const char*, const char*, int, int, int) {
  fatal_error("\n basis input is not available in this build\n");
}
void read_core_potentials(const char*) {
  fatal_error("\n core-potential input is not available in this build\n");
}

}  // namespace ostrel
