#pragma once
// The structures of a path listing.
#include "model/molecule_record.hpp"

namespace ostrel {

// The molecule at the coordinates xyz (bohr) as a "$molecule" group whose lines start with
// `prefix`; mol keeps its own coordinates.
void print_path_structure(const Molecule& mol, const double* xyz, const char* prefix);

}  // namespace ostrel
