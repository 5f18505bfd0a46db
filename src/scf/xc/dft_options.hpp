#pragma once
#include <cstdio>

#include "scf/xc/xc_functional.hpp"

namespace ostrel {

struct DftOptions {
  char name[64];  // upper-cased functional name as looked up
  XcFunctional functional;
};

// Reads the group "dft" (keys "functional", "p", "n"), takes `default_name` when no functional
// is given and fills the record from the name table. An unknown name is fatal.
DftOptions dft_read_options(std::FILE* input, const char* default_name);

}  // namespace ostrel
