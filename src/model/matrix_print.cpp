#include "model/matrix_print.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace ostrel {

namespace {

// Fixed point for numbers up to 1 in magnitude, significant digits beyond.
void print_value(double x) {
  if (std::fabs(x) <= 1.0) {
    std::printf(" %*.*lf", 10, 7, x);
  } else {
    std::printf(" %#*.*g", 10, 8, x);
  }
}

void print_complex_part(double x) {
  if (std::fabs(x) <= 1.0) {
    std::printf(" %9.6lf", x);
  } else {
    std::printf(" %#9.7g", x);
  }
}

}  // namespace

void print_matrix(const double* matrix, const double* eigenvalues, int rows, int cols) {
  for (int c0 = 0; c0 < cols; c0 += 5) {
    const int c1 = c0 + 5 < cols ? c0 + 5 : cols;
    for (int c = c0; c < c1; ++c) std::printf("%*d   ", 8, c + 1);
    std::printf("\n");
    if (eigenvalues) {
      for (int c = c0; c < c1; ++c) print_value(eigenvalues[c]);
      std::printf("\n\n");
    }
    for (int r = 0; r < rows; ++r) {
      for (int c = c0; c < c1; ++c) print_value(matrix[std::int64_t{c} * rows + r]);
      std::printf("\n");
    }
    std::printf("\n");
  }
  std::fflush(stdout);
}

void print_complex_matrix(const double* real, const double* imaginary, const double* eigenvalues,
                          int rows, int cols) {
  for (int c0 = 0; c0 < cols; c0 += 4) {
    const int c1 = c0 + 4 < cols ? c0 + 4 : cols;
    for (int c = c0; c < c1; ++c) std::printf("      %6d        ", c + 1);
    std::printf("\n");
    if (eigenvalues) {
      for (int c = c0; c < c1; ++c) {
        std::printf("     ");
        print_complex_part(eigenvalues[c]);
        std::printf("     ");
      }
      std::printf("\n\n");
    }
    for (int r = 0; r < rows; ++r) {
      for (int c = c0; c < c1; ++c) {
        print_complex_part(real[std::int64_t{c} * rows + r]);
        print_complex_part(imaginary[std::int64_t{c} * rows + r]);
      }
      std::printf("\n");
    }
    std::printf("\n");
  }
  std::fflush(stdout);
}

}  // namespace ostrel
