#pragma once

namespace ostrel {

// All eigenpairs of the symmetric tridiagonal matrix with diagonal d and off-diagonal e
// (e[i] couples i-1 and i; e[0] unused): eigenvalues by bisection on Sturm counts,
// eigenvectors by inverse iteration, clusters together with Gram-Schmidt. z receives n
// vector-major vectors; within each unreduced block the values ascend, so the caller
// sorts the pairs when the matrix splits.
void tridiagonal_eigen(const double* d, const double* e, int n, double* z, double* values);

}  // namespace ostrel
