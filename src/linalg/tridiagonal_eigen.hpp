#pragma once

namespace ostrel {

// All eigenpairs of the symmetric tridiagonal matrix with diagonal d and off-diagonal e
// (e[i] couples i-1 and i; e[0] unused): eigenvalues by bisection on Sturm counts,
// eigenvectors by inverse iteration, clusters together with Gram-Schmidt. z receives n
// vector-major vectors; within each unreduced block the values ascend, so the caller
// sorts the pairs when the matrix splits.
void tridiagonal_eigen(const double* d, const double* e, int n, double* z, double* values);

// The eigenvalues alone, in the same order. With nodes > 1 the bisection is shared out and
// every node ends with all of them (collective); the values do not depend on the split.
void tridiagonal_values(const double* d, const double* e, int n, double* values, int nodes);

// The first index at or after k where a cluster of close eigenvalues starts (n when none):
// vectors shared out at these points keep each cluster on one node.
int tridiagonal_cluster_start(const double* d, const double* e, int n, const double* values, int k);

// Eigenvectors first..last-1 (both cluster starts) into z, last - first vectors of length n.
void tridiagonal_vectors(const double* d, const double* e, int n, const double* values, int first, int last,
                         double* z);

}  // namespace ostrel
