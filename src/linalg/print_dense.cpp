#include "linalg/print_dense.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "linalg/block_transfer.hpp"

namespace ostrel {

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
