#pragma once

namespace ostrel {

// Makes the largest-magnitude component of each of the m vector-major vectors (length n)
// positive, then selection-sorts the pairs: mode 1 ascending values, -1 descending, -2 by
// decreasing absolute value, 0 by the position of each vector's largest component (the
// vector most like unit vector 0 first), which puts near-unit vectors on the diagonal.
void order_eigenpairs(double* vectors, double* values, int n, int m, int mode);

}  // namespace ostrel
