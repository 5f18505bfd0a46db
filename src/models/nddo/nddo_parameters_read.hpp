#pragma once
// The "$nddo" reader.
#include <cstdio>

#include "models/nddo/nddo_parameters.hpp"

namespace ostrel {

// Reads the "$nddo" group of `file` (empty: the input file on standard input) into the
// store record `record`; malformed data stop the run.
void read_nddo_parameters(const char* file, const char* record);

// Parses one "$nddo" group from `in`, positioned behind the group name.
void parse_nddo_group(std::FILE* in, NddoParameters& p);

}  // namespace ostrel
