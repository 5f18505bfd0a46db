#pragma once

namespace ostrel {

// Reads the basis sets of every atom of "Molecule" from group `group` of the library
// `library` (empty: the input file) into `record`, writing the function count under
// `count_key` and the per-atom offsets under `offsets_key`.
void read_basis(const char* library, const char* group, const char* record,
                const char* count_key, const char* offsets_key, int half, int relativistic,
                int coulomb_metric);

}  // namespace ostrel
