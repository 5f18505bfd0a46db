#pragma once
#include "scf/numint/xc_block_pass.hpp"

namespace ostrel {

// Functions handled at a time by the two loops below (a stack buffer of coefficients).
inline constexpr int kXcFitBlockFunctions = 512;

// Density (and with `gradients` its gradient) of fit coefficients `coef` (indexed by basis
// function) at every point of the block: u[p] = (rho, gx, gy, gz).
void xc_fit_density(const XcPassBlock& b, const double* coef, int gradients, double (*u)[4]);

// Adds the projection of a weighted potential onto the block's functions:
// out[k] += sum_p v[p][0] chi_k(p) (+ v[p][1..3] . grad chi_k(p) with `gradients`).
void xc_fit_project(const XcPassBlock& b, const double (*v)[4], int gradients, double* out);

}  // namespace ostrel
