#pragma once

namespace ostrel {

// Reads the core potentials of the atoms of "Molecule" from the "ecp" group of `library`
// (empty: the input file) into "ECP" and "Necp", reducing the nuclear charges.
void read_core_potentials(const char* library);

}  // namespace ostrel
