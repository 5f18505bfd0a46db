#pragma once
// Stretches, bends with their stretch-bend couplings, and the two torsion tables.
#include "models/mm/mm_parameters.hpp"
#include "models/mm/mm_term_parts.hpp"

namespace ostrel {

double mm_stretches(const MmTopology& t, const MmParameters& p, MmSums& s);
double mm_bends(const MmTopology& t, const MmParameters& p, MmSums& s);
double mm_torsions(const MmTopology& t, const MmParameters& p, MmSums& s);

}  // namespace ostrel
