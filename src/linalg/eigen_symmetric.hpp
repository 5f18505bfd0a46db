#pragma once
#include <cstdint>

namespace ostrel {

// Eigen-decomposition of a packed symmetric matrix of order n (destroyed): n vector-major
// eigenvectors, normalised with their largest-magnitude component positive, and ascending
// eigenvalues. Collective: every node calls it; with several nodes and n / nodes > 100 the
// reduction, the eigenvectors and their back-transformation are shared out. Input and
// results live on the master. With `same_bits` the results are the same bits on any number
// of nodes: a node count that does not divide kRowClasses leaves the reduction to the master.
void eigen_symmetric(double* packed, double* vectors, double* values, int n, bool same_bits = false);

// The same on the calling node alone, without messages (for work that only the master does).
void eigen_symmetric_local(double* packed, double* vectors, double* values, int n);

// Householder reduction of a packed symmetric matrix to tridiagonal form, last row first.
// Row i of the packed storage keeps the reflector u_i (first i elements) that acts on
// indices 0..i-1 as I - u u^T / h_i (h_i = 0: no reflector). d gets the diagonal, e[i]
// the element coupling i-1 and i (e[0] = 0).
// With `nodes` > 1 row r is updated by node r % nodes only; the reflectors, h, d and e are
// broadcast so that every node ends with all of them (collective). Node counts that divide
// kRowClasses give the single-node results bit for bit.
inline constexpr int kRowClasses = 6;
void tridiagonalize(double* packed, int n, double* h, double* d, double* e, int nodes);

// Applies the reflectors (P_2 first, P_(n-1) last) to m vectors of length n stored
// vector-major: z = P_(n-1) ... P_2 z.
void apply_reflectors(const double* packed, const double* h, int n, double* z, int m);

}  // namespace ostrel
