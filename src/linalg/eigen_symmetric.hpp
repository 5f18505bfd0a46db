#pragma once

namespace ostrel {

// Eigen-decomposition of a packed symmetric matrix of order n (destroyed): n vector-major
// eigenvectors, normalised with their largest-magnitude component positive, and ascending
// eigenvalues. Collective: every node calls it; with several nodes and n / nodes > 100 the
// reduction and back-transformation are shared out. Input and results live on the master.
void eigen_symmetric(double* packed, double* vectors, double* values, int n);

}  // namespace ostrel
