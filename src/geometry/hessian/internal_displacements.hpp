#pragma once
// Displacement directions for a Hessian by differences of gradients that skip the rigid
// motions: the energy's invariance gives the Hessian's and the dipole's derivatives along
// translations and rotations exactly, so only the 3N - 6 (3N - 5) internal directions need
// gradients.

namespace ostrel {

// An orthonormal basis of the n3 = 3N cartesian displacements of the structure xyz (bohr,
// vector-major in q): first the rigid motions (translations, rotations about the origin),
// then their complement. For each rigid direction e, h_columns receives H e (n3 values)
// from the gradient g at xyz, and mu_columns d(mu)/de (3 values) from the dipole mu about
// the origin and the total charge. Returns the number of rigid directions.
int rigid_and_internal_directions(int n_atoms, const double* xyz, const double* g, const double* mu,
                                  double charge, double* q, double* h_columns, double* mu_columns);

}  // namespace ostrel
