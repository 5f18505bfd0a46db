#pragma once
// Eigenpairs of a Hessian with the external motions projected out, for the path tasks that
// follow one of its modes.

namespace ostrel {

// The packed Hessian h (order 3N, destroyed) at the geometry y, in coordinates scaled by
// root (sqrt of the masses for mass-weighted coordinates, ones for plain cartesian ones):
// translations and rotations projected out, diagonalised, eigenvalues of magnitude below
// 1e-10 (the external motions) set to 1000, pairs in ascending order of value, each
// vector's largest component positive.
void projected_modes(int n_atoms, const double* root, const double* y, double* h, double* vectors, double* values);

}  // namespace ostrel
