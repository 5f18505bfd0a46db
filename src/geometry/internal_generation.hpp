#pragma once
// Redundant internal coordinates from the bonded structure of a molecule.
#include "model/internal_coordinate.hpp"

namespace ostrel {

inline constexpr int MAX_BOND_NEIGHBOURS = 64;
inline constexpr int COORDINATES_PER_ATOM = 3072;

// Neighbour lists by the bond criterion of the molecule reader (sum of the bond radii plus
// 1.2 ra rb / (ra + rb)), at most 64 per atom; fragments that the criterion leaves apart
// are joined through their closest atom pair, so the coordinates always hold the molecule
// together. Returns the neighbour counts in count[n] and the lists in list[64 n].
void bonded_neighbours(int n_atoms, const int* z, const double* xyz, int* count, int* list);

// Stretches, bends, torsions, out-of-plane torsions and linear-chain coordinates into set
// (capacity records, the terminating type-0 record included); returns their number.
int generate_internal_coordinates(int n_atoms, const int* z, const double* xyz,
                                  InternalCoordinate* set, int capacity);

}  // namespace ostrel
