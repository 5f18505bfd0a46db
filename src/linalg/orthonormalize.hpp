#pragma once

namespace ostrel {

// Classical Gram-Schmidt of m vector-major vectors c (length n, overwritten) in the metric
// of the packed symmetric s (order n). A vector that depends on the earlier ones stops the
// run with " orthogonalize? s(k)=...". Collective: inputs and results on the master.
void orthonormalize(const double* s, double* c, int n, int m);


}  // namespace ostrel
