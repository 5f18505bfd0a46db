#pragma once
// The "$mmdata" group read into force-field parameters.
#include <cstdio>

#include "models/mm/mm_parameters.hpp"

namespace ostrel {

// Parses the group `group` ("mmdata") from `file`, positioned anywhere before it, into `p`
// (cleared first). Every fault of the group stops the run with one line.
void parse_mm_parameters(std::FILE* file, const char* group, MmParameters& p);

// Reads the group `group` of the file (the input file itself when `file` is empty), stores
// the result as "mmdata". Master only (task control reads the model data on the master).
void read_mm_parameters(const char* file, const char* group);

}  // namespace ostrel
