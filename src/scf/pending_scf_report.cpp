// Stop standing in for the SCF report until it is built.
#include "runtime/fatal.hpp"
#include "scf/scf_report.hpp"

namespace ostrel {

void scf_report(const char*) { fatal_error("\n the SCF report is not available in this build\n"); }

}  // namespace ostrel
