#pragma once

namespace ostrel {

// Orientation of the grid of `atom` among n atoms (xyz atom-major): the eigenvectors, as the
// columns of a column-major 3 x 3 matrix with ascending eigenvalues, of
// M = sum over the other atoms B of exp(-|d|^2/8) (d d^T - |d|^2 I), d = R_atom - R_B.
// The matrix follows the molecule when it is rotated, so the grid turns with it.
void grid_orientation(int atom, int n, const double* xyz, double orientation[9]);

}  // namespace ostrel
