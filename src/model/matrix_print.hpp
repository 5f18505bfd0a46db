#pragma once

namespace ostrel {

// Prints a rows x cols matrix stored column after column, in blocks of five columns, with
// the eigenvalues (may be null) above each block.
void print_matrix(const double* matrix, const double* eigenvalues, int rows, int cols);

// The complex counterpart (real and imaginary parts stored alike), blocks of four columns.
void print_complex_matrix(const double* real, const double* imaginary, const double* eigenvalues,
                          int rows, int cols);

// Prints a rows x cols matrix stored full row-major (mode 1), full column-major (-1) or
// packed symmetric (0, order rows) as " %*.*lf" fields whose width and precision follow
// the largest magnitude; columns come in blocks that fit 120 characters, each headed by
// the 1-based column numbers.
void print_dense_matrix(const double* a, int rows, int cols, int mode);

}  // namespace ostrel
