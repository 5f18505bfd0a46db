#pragma once
// A step of the SCF driver. Every node calls it together; the master alone reads and
// writes the store records it works on.

namespace ostrel {

// Newton-Raphson step into "scf_X" by a preconditioned subspace solver.
void scf_newton_step();

// Hessian image sigma of the rotation direction b (both of length "scf_G", on the master):
// the response of the gradient through "Ca1", "Cb1", "F1Ca", "F1Cb", which must exist.
void scf_hessian_image(const double* b, double* sigma);

}  // namespace ostrel
