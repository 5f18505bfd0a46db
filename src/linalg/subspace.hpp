#pragma once
// Sets of vectors in a metric: orthonormalisation, diagonalisation within the set, and
// pair rotations (the orbital updates of the SCF).

namespace ostrel {

// Classical Gram-Schmidt of m vector-major vectors c (length n, overwritten) in the metric
// of the packed symmetric s (order n). A vector that depends on the earlier ones stops the
// run with " orthogonalize? s(k)=...". Collective: inputs and results on the master.
void orthonormalize(const double* s, double* c, int n, int m);

// Diagonalises the packed symmetric f (order n) within the m vector-major vectors c:
// G = C^T F C, G = U diag(values) U^T, C replaced by C U. Collective (multiply and large
// eigensolver); inputs and results on the master.
void subspace_diagonalize(const double* f, double* c, int n, int m, double* values);

// Rotates pairs of the vector-major vectors c (length n): for rotation t, vectors
// p = pairs[2t], q = pairs[2t+1] become cos p - sin q and sin p + cos q with the angle
// angles[t], in list order. Collective: the components are shared out over the nodes;
// c, pairs and angles are read on the master, c is written on the master.
void plane_rotations(double* c, int n, int count, const int* pairs, const double* angles);

}  // namespace ostrel
