#pragma once
// Repulsion and Coulomb energy between atoms that are neither bonded nor share a neighbour.
#include "models/mm/mm_parameters.hpp"
#include "models/mm/mm_term_parts.hpp"

namespace ostrel {

double mm_nonbonded(const MmTopology& t, const MmParameters& p, MmSums& s);

}  // namespace ostrel
