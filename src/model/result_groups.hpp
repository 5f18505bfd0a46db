#pragma once

namespace ostrel {

// Prints the machine-readable results group "$Energy" (or "$Energy%03d" when index >= 0),
// every line prefixed with `tag`. The first seven arguments name store arrays (energy,
// gradient, Hessian, dipole, polarizability record, dipole derivatives, polarizability
// derivatives); a null or empty name leaves that entry out. With the tag cut off, the block
// reads back as precomputed results. Master only.
void write_result_group(const char* energy, const char* gradient, const char* hessian,
                        const char* dipole, const char* polariz, const char* dipole_x,
                        const char* polariz_x, int n_atoms, const char* tag, int index);

// Prints the "mm>" exchange block: structure ("Molecule") and, as "haveE" flags them, the
// energy, dipole and gradient, and the Hessian rows, all in full precision. Master only.
void write_mm_block();

}  // namespace ostrel
