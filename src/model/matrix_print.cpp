#include "model/matrix_print.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "linalg/vector_ops.hpp"

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

void print_dense_matrix(const double* a, int rows, int cols, int mode) {
  if (mode == STORE_PACKED || mode == STORE_ANTI || mode == STORE_ANTI_T) cols = rows;
  auto at = [&](int i, int j) {
    const ElementRef e = element_ref(mode, cols, rows, i, j);
    return e.sign * a[e.offset];
  };
  double biggest = 0.0;
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) biggest = std::max(biggest, std::fabs(at(i, j)));
  // Ten significant digits at most, at least two decimals; the field holds sign and point.
  int digits = 1;
  if (biggest >= 1.0 && std::isfinite(biggest))
    digits = std::min(30, static_cast<int>(std::floor(std::log10(biggest))) + 1);
  const int precision = std::max(2, 10 - digits);
  const int width = digits + precision + 2;
  const int per_block = std::max(1, 120 / (width + 1));
  for (int j0 = 0; j0 < cols; j0 += per_block) {
    const int j1 = std::min(cols, j0 + per_block);
    std::printf("\n");
    for (int j = j0; j < j1; ++j) std::printf(" %*d", width, j + 1);
    std::printf("\n");
    for (int i = 0; i < rows; ++i) {
      for (int j = j0; j < j1; ++j) std::printf(" %*.*lf", width, precision, at(i, j));
      std::printf("\n");
    }
  }
  std::fflush(stdout);
}

}  // namespace ostrel
