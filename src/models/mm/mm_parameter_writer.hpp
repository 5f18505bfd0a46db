#pragma once
// Force-field parameters printed as a "$mmdata" group.
#include "models/mm/mm_parameters.hpp"

namespace ostrel {

// Prints the parameters in the format parse_mm_parameters reads.
void write_mm_parameters(const MmParameters& p);

}  // namespace ostrel
