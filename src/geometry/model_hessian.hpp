#pragma once
// Model force constants from covalent radii and element stiffnesses, and the model
// Hessians the optimizer starts from.
#include "model/internal_coordinate.hpp"

namespace ostrel {

// Force constant (hartree per bohr^2 or per radian^2) of one coordinate at xyz (bohr);
// z holds the atomic numbers. Never below 0.001.
double model_force_constant(const InternalCoordinate& c, const int* z, const double* xyz);

// H = B^T diag(f) B as a packed 3N x 3N triangle, f the model force constants of the set;
// b holds the B rows (12 per coordinate).
void build_model_hessian(int count, const InternalCoordinate* set, const double* b,
                         const int* z, const double* xyz, int n_atoms, double* h);

// Cartesian model Hessian without connectivity: stretch, bend, linear-bend, torsion and
// out-of-plane terms of every atom group whose distances are within 10 bohr, plus 0.001 on
// the diagonal; packed 3N x 3N.
void cartesian_model_hessian(int n_atoms, const int* z, const double* xyz, double* h);

// True when a-b-c is collinear at tolerance t: 1 - cos^2(b - a, c - b) < t^2.
bool collinear(const double* xyz, int a, int b, int c, double t);

}  // namespace ostrel
