#pragma once
// Kernels of the grid passes on one block: densities from the basis values, the functional
// at the points, and the projections of its potential back onto the functions.
#include "scf/numint/xc_block_loop.hpp"
#include "scf/xc/xc_functional.hpp"

namespace ostrel {

// Per point and spin: rho and its gradient (u), or the weighted derivatives of the energy
// with respect to them (v).
using XcPointValues = double[kXcBlockPoints][4];

// A packed symmetric matrix over the basis, dense over the block's functions (n x n rows).
void xc_gather_packed(const XcBlock& b, const double* packed, double* local);

// Orbital density of the dense block density d: x[c] = phi_c d (rows per point) for the
// n_x components c < n_x, u[p] = (rho, grad rho) with `gradients`, else (rho, 0, 0, 0).
void xc_orbital_density(const XcBlock& b, const double* d, int n_x, bool gradients, double* x,
                        XcPointValues& u);

// Adds V = Phi^T Z + Z^T Phi, Z = v0/2 phi + v . grad phi, to the packed matrix `out`;
// z (n x functions) and y (functions x functions) are work arrays.
void xc_orbital_matrix(const XcBlock& b, const XcPointValues& v, bool gradients, double* z,
                       double* y, double* out);

// Fitted density of the coefficients `coef` (indexed by basis function) at the block's points.
void xc_fit_density(const XcBlock& b, const double* coef, bool gradients, XcPointValues& u);

// out[k] += sum_p v[p][0] chi_k(p) (+ v[p][1..3] . grad chi_k(p) with `gradients`).
void xc_fit_project(const XcBlock& b, const XcPointValues& v, bool gradients, double* out);

// The functional at the block's points from the spin densities u (one entry when closed):
// adds the weighted energies to *ex, *ec and sets v to the weighted first derivatives.
void xc_block_functional(const XcFunctional& f, double small, const XcBlock& b, int spins,
                         const XcPointValues* u, XcPointValues* v, double* ex, double* ec);

}  // namespace ostrel
