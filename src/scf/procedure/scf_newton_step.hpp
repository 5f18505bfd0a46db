#pragma once
// A step of the SCF driver. Every node calls it together; the master alone reads and
// writes the store records it works on.

namespace ostrel {

// The coarse grid's orbital gradient differs from the final grid's by about ten times the
// coarse accuracy (1e-4 for benzene, 2e-4 for caffeine at 1e-5): for a closed shell a step on
// the coarse grid is solved to no smaller residual than half of that, and the run moves to the
// final grid once a step's residual is below it. Open shells keep the coarse accuracy itself:
// moved that early, a Cu(II) complex settled its d hole on the final grid with a slow tail.
inline double coarse_residual_factor(bool closed) { return closed ? 10.0 : 1.0; }

// Newton-Raphson step into "scf_X" by a preconditioned subspace solver.
void scf_newton_step();

// Hessian image sigma of the rotation direction b (both of length "scf_G", on the master):
// the response of the gradient through "Ca1", "Cb1", "F1Ca", "F1Cb", which must exist.
void scf_hessian_image(const double* b, double* sigma);

}  // namespace ostrel
