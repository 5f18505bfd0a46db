#pragma once

namespace ostrel {

// C = alpha B A^T + beta C in block terms: C is NC x NA, B (NC x K) is read with storage
// mode mode_b and A (NA x K) with mode -mode_a (so mode_a describes A^T, K x NA), modes of
// StorageMode; a packed C (0, 2, -2; NA == NC) receives its lower triangle
// only, which is the whole matrix when the product has the matching symmetry.
// Collective: every node calls it with the same sizes, modes, alpha and beta; only the
// master's A, B and C are read, and only the master's C is written; C must not overlap
// A or B. Runs under the timer "Matrix Multiply".
void matrix_multiply(const double* a, const double* b, double* c, int na, int k, int nc,
                     int mode_a, int mode_b, int mode_c, double alpha, double beta);

// The same product computed by this node alone (no messages, no timer): for small
// products and for code that runs on the master only.
void multiply_serial(const double* a, const double* b, double* c, int na, int k, int nc,
                     int mode_a, int mode_b, int mode_c, double alpha, double beta);

}  // namespace ostrel
