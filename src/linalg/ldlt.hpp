#pragma once

namespace ostrel {

// In-place LDL^T factorisation of a packed symmetric matrix of order n: the unit lower
// factor L below the diagonal, D on it. Returns the first row with a zero pivot, -1 when
// there is none (the factor is then unusable).
int ldlt_factor(double* packed, int n);

// Solves with the factor for k vector-major right-hand sides of length |n| in place:
// n > 0 full solve (L, D, L^T); n < 0 half solve D^-1/2 L^-1 b.
void ldlt_solve(const double* packed, int n, double* b, int k);

}  // namespace ostrel
