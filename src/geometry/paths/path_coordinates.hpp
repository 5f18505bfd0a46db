#pragma once
// The internal coordinates of a path between two structures: the user's ("Opt.K") or those
// generated for both structures together, so that bonds made or broken on the way are
// described at both ends.
#include "model/internal_coordinate.hpp"

namespace ostrel {

// At most this many coordinates per atom.
inline constexpr int kPathCoordinatesPerAtom = 192;

// Fills set (room for kPathCoordinatesPerAtom x N + 1 records, type-0 terminated) and
// returns the count; nk > 0 takes the user's set. Stores "Opt.K" where the store allows it.
int two_structure_coordinates(int n_atoms, const int* z, const double* a, const double* b, int nk,
                              InternalCoordinate* set);

// Internal coordinates of b relative to a, differences wrapped: rb = ra + wrap(q(b) - ra).
void interpolation_ends(int count, const InternalCoordinate* set, const double* a, const double* b, double* ra,
                        double* rb);

}  // namespace ostrel
