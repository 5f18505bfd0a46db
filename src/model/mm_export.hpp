#pragma once

namespace ostrel {

// Prints the "mm>" exchange block: structure ("Molecule") and, as "haveE" flags them, the
// energy, dipole and gradient, and the Hessian rows, all in full precision. Master only.
void write_mm_block();

}  // namespace ostrel
