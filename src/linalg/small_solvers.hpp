#pragma once
// Serial solvers for small dense problems (no messages): Jacobi eigenpairs and their
// ordering, the LDL^T factorisation, and the level-shifted Newton step.

namespace ostrel {

// Jacobi eigensolver for small packed symmetric matrices of order n (destroyed). With
// stride 0 the n vectors start from the unit vectors (length n, stride n); otherwise the
// rotations are applied to the n given vectors of length `stride` (vector k at k*stride).
// Values ascend; each vector's largest-magnitude component is positive.
void eigen_jacobi(double* packed, double* vectors, double* values, int n, int stride);

// Makes the largest-magnitude component of each of the m vector-major vectors (length n)
// positive, then selection-sorts the pairs: mode 1 ascending values, -1 descending, -2 by
// decreasing absolute value, 0 by the position of each vector's largest component (the
// vector most like unit vector 0 first), which puts near-unit vectors on the diagonal.
void order_eigenpairs(double* vectors, double* values, int n, int m, int mode);

// In-place LDL^T factorisation of a packed symmetric matrix of order n: the unit lower
// factor L below the diagonal, D on it. Returns the first row with a zero pivot, -1 when
// there is none (the factor is then unusable).
int ldlt_factor(double* packed, int n);

// Solves with the factor for k vector-major right-hand sides of length |n| in place:
// n > 0 full solve (L, D, L^T); n < 0 half solve D^-1/2 L^-1 b.
void ldlt_solve(const double* packed, int n, double* b, int k);

// Level-shifted Newton step in an eigenbasis: x_i = -g_i / (d_i + mu) with
// mu >= lo = max(0, -1.000000000001 min d); when |x(lo)| exceeds the radius r, mu is found
// by bisection so that |x| <= r. Returns mu; *predicted = 0.5 (g.x - mu x.x).
double level_shifted_step(int n, const double* g, const double* d, double r, double* x,
                          double* predicted);

}  // namespace ostrel
