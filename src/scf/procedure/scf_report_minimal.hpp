#pragma once

namespace ostrel {

// The first M orbitals of "Ca" (and "Cb" unless restricted) written over the M
// S-orthonormal minimal-basis functions of the guess, printed in the "$ce" form with the
// prefix "ce>" so that the group reads back as a projected guess. All nodes call it.
void print_minimal_projection(int n_basis, int restricted);

}  // namespace ostrel
