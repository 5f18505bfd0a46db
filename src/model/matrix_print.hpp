#pragma once

namespace ostrel {

// Prints a rows x cols matrix stored column after column, in blocks of five columns, with
// the eigenvalues (may be null) above each block.
void print_matrix(const double* matrix, const double* eigenvalues, int rows, int cols);

// The complex counterpart (real and imaginary parts stored alike), blocks of four columns.
void print_complex_matrix(const double* real, const double* imaginary, const double* eigenvalues,
                          int rows, int cols);

}  // namespace ostrel
