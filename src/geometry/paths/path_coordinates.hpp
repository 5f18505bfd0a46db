#pragma once
// The internal coordinates of a path between two structures: the user's ("Opt.K") or those
// generated for both structures together, so that bonds made or broken on the way are
// described at both ends.
#include "model/internal_coordinate.hpp"

namespace ostrel {

// At most this many coordinates per atom.
inline constexpr int kPathCoordinatesPerAtom = 192;

// Fills set (room for kPathCoordinatesPerAtom x N + 1 records, type-0 terminated) and
// returns the count; nk > 0 takes the user's set. Generated linear bends that do not describe
// both structures are left out. Stores "Opt.K" where the store allows it.
int two_structure_coordinates(int n_atoms, const int* z, const double* a, const double* b, int nk,
                              InternalCoordinate* set);

// x (3N, in place; the structure nearest the targets) moved onto the targets. A collinear x is
// first bent slightly: no step of the back-transformation leads off a line, while the
// structures between two linear ends (HCN and HNC) need not be linear.
void interpolated_structure(int n_atoms, int count, const InternalCoordinate* set, const double* w,
                            const double* target, double* x);

// Internal coordinates of b relative to a, differences wrapped: rb = ra + wrap(q(b) - ra).
void interpolation_ends(int count, const InternalCoordinate* set, const double* a, const double* b, double* ra,
                        double* rb);

}  // namespace ostrel
