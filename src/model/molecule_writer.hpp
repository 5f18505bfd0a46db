#pragma once

#include "model/molecule_record.hpp"

namespace ostrel {

// Prints the molecule as a "$molecule" group, every line starting with `prefix`. A
// structure read as a z-matrix is written in that form with values recomputed from the
// current coordinates unless `force_cartesian` is set. Reading the group back gives the
// same record (coordinates to the printed precision).
void write_molecule_group(const Molecule& mol, const char* prefix, int force_cartesian);

}  // namespace ostrel
