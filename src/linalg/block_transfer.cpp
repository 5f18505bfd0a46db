#include "linalg/block_transfer.hpp"

namespace ostrel {

void block_transfer(double* matrix, double* buffer, int d1, int d2, int mode, int c0, int r0,
                    int nc, int nr, int direction) {
  if (mode == STORE_ROWS) {
    for (std::int64_t r = 0; r < nr; ++r) {
      double* m = matrix + (r0 + r) * std::int64_t{d1} + c0;
      double* b = buffer + r * nc;
      if (direction == 1) {
        for (int c = 0; c < nc; ++c) b[c] = m[c];
      } else {
        for (int c = 0; c < nc; ++c) m[c] = b[c];
      }
    }
    return;
  }
  if (mode == STORE_COLUMNS) {
    for (std::int64_t c = 0; c < nc; ++c) {
      double* m = matrix + (c0 + c) * std::int64_t{d2} + r0;
      if (direction == 1) {
        for (int r = 0; r < nr; ++r) buffer[r * std::int64_t{nc} + c] = m[r];
      } else {
        for (int r = 0; r < nr; ++r) m[r] = buffer[r * std::int64_t{nc} + c];
      }
    }
    return;
  }
  for (std::int64_t r = 0; r < nr; ++r) {
    for (std::int64_t c = 0; c < nc; ++c) {
      const ElementRef e = element_ref(mode, d1, d2, r0 + r, c0 + c);
      if (direction == 1) {
        buffer[r * nc + c] = e.sign * matrix[e.offset];
      } else {
        matrix[e.offset] = e.sign * buffer[r * nc + c];
      }
    }
  }
}

}  // namespace ostrel
