#pragma once

namespace ostrel {

// Reads occurrence `occurrence` of group `group` from `file` (empty: the input file) into
// record `record`. Returns 1 without writing when the occurrence is missing or has no atoms.
int read_molecule(const char* record, const char* file, const char* group, int occurrence,
                  int print);

// Reads every "$molecule" group of the input into "Molecule:000", "Molecule:001", ...
void read_molecule_chain();

}  // namespace ostrel
