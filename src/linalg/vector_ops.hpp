#pragma once
#include <cstdint>

namespace ostrel {

// Serial kernels on contiguous 64-bit vectors of length n (n <= 0 does nothing).
void vec_set(std::int64_t n, double value, double* x);
void vec_copy(std::int64_t n, const double* x, double* y);
void vec_swap(std::int64_t n, double* x, double* y);
// x = a x; a == 0 clears x even where it holds non-numbers.
void vec_scale(std::int64_t n, double a, double* x);
void vec_axpy(std::int64_t n, double a, const double* x, double* y);
double vec_dot(std::int64_t n, const double* x, const double* y);
// max |x_i|, 0 for n <= 0.
double vec_max_norm(std::int64_t n, const double* x);
// First index of the extreme value (0 for n <= 0).
std::int64_t vec_index_max_abs(std::int64_t n, const double* x);
std::int64_t vec_index_min(std::int64_t n, const double* x);
// z = x .* y
void vec_product(std::int64_t n, const double* x, const double* y, double* z);

// Packed lower triangle by rows: element (i, j), j <= i, at i(i+1)/2 + j.
inline std::int64_t packed_index(std::int64_t i, std::int64_t j) {
  return i >= j ? i * (i + 1) / 2 + j : j * (j + 1) / 2 + i;
}
inline std::int64_t packed_size(std::int64_t n) { return n * (n + 1) / 2; }

// Adds value + a d_i to the diagonal (d may be null) of an order-n matrix:
// packed (packed != 0) or full square.
void add_to_diagonal(int n, double* m, int packed, double value, double a = 0.0,
                     const double* d = nullptr);
// Vector j of m vector-major vectors of length n times d_j (mode 0), |d_j|^-1/2 (mode 1)
// or |d_j|^-1/4 (mode 2).
void scale_vectors(int n, int m, double* c, const double* d, int mode);
// y = beta y + alpha A x; A of order n packed symmetric (mode 0), full row-major (1) or
// column-major (-1).
void matrix_times_vector(int n, const double* a, int mode, const double* x, double* y,
                         double alpha, double beta);
// sum_ij A_ij B_ij of two packed symmetric matrices; trace of A when b is null.
double trace_product(int n, const double* a, const double* b);

// Storage modes of a matrix.
enum StorageMode : int {
  STORE_ROWS = 1,          // full, row-major
  STORE_COLUMNS = -1,      // full, column-major
  STORE_PACKED = 0,        // packed symmetric lower triangle
  STORE_ANTI = 2,          // packed antisymmetric: the stored values are the lower elements
  STORE_ANTI_T = -2,       // packed antisymmetric with the opposite sign
};

// Location and sign of element (i, j) of a matrix with `cols` columns and `rows` rows
// (packed modes: order cols). Negating a mode transposes the matrix it describes.
struct ElementRef {
  std::int64_t offset;
  double sign;
};
inline ElementRef element_ref(int mode, std::int64_t cols, std::int64_t rows, std::int64_t i,
                              std::int64_t j) {
  switch (mode) {
    case STORE_ROWS: return {i * cols + j, 1.0};
    case STORE_COLUMNS: return {j * rows + i, 1.0};
    case STORE_ANTI:
      return j <= i ? ElementRef{i * (i + 1) / 2 + j, 1.0} : ElementRef{j * (j + 1) / 2 + i, -1.0};
    case STORE_ANTI_T:
      return j < i ? ElementRef{i * (i + 1) / 2 + j, -1.0} : ElementRef{j * (j + 1) / 2 + i, 1.0};
    default:
      return j <= i ? ElementRef{i * (i + 1) / 2 + j, 1.0} : ElementRef{j * (j + 1) / 2 + i, 1.0};
  }
}

}  // namespace ostrel
