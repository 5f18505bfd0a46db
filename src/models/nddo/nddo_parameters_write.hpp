#pragma once
// The "$nddo" writer.
#include <cstdio>

#include "models/nddo/nddo_parameters.hpp"

namespace ostrel {

// Prints the group to `out`, opened by the line `group` (e.g. "$nddo").
void write_nddo_parameters(const NddoParameters& p, const char* group, std::FILE* out = stdout);

}  // namespace ostrel
