#pragma once
#include <cstdint>

namespace ostrel {

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

// Moves the block of nr rows and nc columns at row r0, column c0 of `matrix` (first
// dimension d1 = row length, second d2 = column length) between the matrix and the dense
// row-major `buffer`: direction 1 matrix -> buffer, 0 buffer -> matrix. In packed modes
// an element above the diagonal goes to its mirrored position, negated as the mode says.
void block_transfer(double* matrix, double* buffer, int d1, int d2, int mode, int c0, int r0,
                    int nc, int nr, int direction);

}  // namespace ostrel
