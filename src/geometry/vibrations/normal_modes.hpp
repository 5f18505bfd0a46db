#pragma once
// Rigid-body and harmonic motions of a molecule: principal moments, external motions
// projected out of a cartesian Hessian, mass weighting, normal modes.

namespace ostrel {

struct Molecule;

// Prints the inertia tensor about the centre of mass (amu bohr^2) and returns its
// eigenvalues, the principal moments, ascending.
void principal_moments(const Molecule& mol, double* moments);

// 1/sqrt(m_a) for each cartesian coordinate (3N), m_a in electron masses (amu in `mass`).
void mass_weights(int n_atoms, const double* mass, double* w);

// Projects translations and rotations out of the packed cartesian Hessian (P H P), weights
// it with w (w_i H_ij w_j) and diagonalises. `values`: 3N ascending curvatures with the
// external motions last at kExternalCurvature; `vectors`: the 3N mass-weighted eigenvectors,
// vector-major. Returns the number of external motions (3 atom, 5 linear, 6 otherwise).
int harmonic_modes(int n_atoms, const double* xyz, const double* w, const double* hessian,
                   double* vectors, double* values);

// Signed frequency of a curvature: sqrt(e), or -sqrt(-e) for an imaginary mode (hartree).
double signed_frequency(double curvature);

}  // namespace ostrel
