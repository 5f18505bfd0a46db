#pragma once
// Shared pieces of the optimizer, paths and vibrations: external motions, the
// trust-region step, Hessian updates and a serial eigen-solver for master-only work.

namespace ostrel {

// Orthonormal translations (three) and rotations about the geometric centre (two for a
// linear molecule, three otherwise) as vector-major 3N-vectors in t (room for 6); returns
// their number.
int translation_rotation_vectors(int n_atoms, const double* xyz, double* t);

// The same for a molecule taken as linear along the unit vector axis: the rotation about
// that axis is left out even when the molecule is slightly bent, so that the bend it
// carries stays an internal motion; returns 3 plus at most two.
int linear_translation_rotation_vectors(int n_atoms, const double* xyz, const double* axis, double* t);

// Level-shifted step s_i = -g_i / (h_i + lambda) over n modes with |s| <= trust (lambda
// by bisection when the Newton step is too long or a curvature is negative); returns
// lambda and stores 0.5 (g . s - lambda s . s) in *predicted.
double trust_region_step(int n, const double* g, const double* h, double trust, double* s,
                         double* predicted);

enum class HessianUpdate { BFGS, PSB };

// Updates the packed Hessian h (order n) with the step dx and gradient change dg: BFGS for
// minima (skipped when dg . dx or dx . H dx is not positive, which would lose positive
// definiteness), Powell's symmetric Broyden update for saddle points.
void update_hessian(int n, double* h, const double* dx, const double* dg, HessianUpdate kind);

// Eigenpairs of a packed symmetric matrix (destroyed) on this node alone: vector-major
// vectors, ascending values (Jacobi rotations).
void eigen_local(double* packed, double* vectors, double* values, int n);

}  // namespace ostrel
