#pragma once

namespace ostrel {

// Jacobi eigensolver for small packed symmetric matrices of order n (destroyed). With
// stride 0 the n vectors start from the unit vectors (length n, stride n); otherwise the
// rotations are applied to the n given vectors of length `stride` (vector k at k*stride).
// Values ascend; each vector's largest-magnitude component is positive.
void eigen_jacobi(double* packed, double* vectors, double* values, int n, int stride);

}  // namespace ostrel
