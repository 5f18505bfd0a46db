#pragma once
#include <cstdio>

namespace ostrel {

// Reads the group "ci" (options of the correlated methods) into "ci_ndiis", "ci_Niter",
// "ci_v4" and "ci_ecut". The iteration limit defaults to the SCF's ("iterations").
// Master only.
void read_ci_options(std::FILE* input = stdin);

}  // namespace ostrel
