#pragma once
// Packing and register-blocked kernel behind the matrix multiply: C(M x N) += alpha L R,
// with L (M x K) and R (K x N) read through any storage mode.
#include <cstdint>

namespace ostrel {

inline constexpr int GEMM_MR = 8;   // rows of L per packed panel
inline constexpr int GEMM_NR = 24;  // columns of R per packed panel

// A matrix read through a storage mode (see element_ref).
struct MatrixView {
  const double* p;
  int mode;
  std::int64_t cols;
  std::int64_t rows;
  double at(std::int64_t i, std::int64_t j) const;
  MatrixView transposed() const { return {p, -mode, rows, cols}; }
};

// Rows i0..i0+m-1, columns k0..k0+kc-1 of L into panels of GEMM_MR rows, k-major within
// a panel; rows beyond m are zero.
void pack_left(const MatrixView& l, std::int64_t i0, std::int64_t m, std::int64_t k0,
               std::int64_t kc, double* out);
// Rows k0..k0+kc-1, columns j0..j0+n-1 of R into panels of GEMM_NR columns.
void pack_right(const MatrixView& r, std::int64_t k0, std::int64_t kc, std::int64_t j0,
                std::int64_t n, double* out);

// One GEMM_MR x GEMM_NR product of packed panels over kc: out (row-major, ld GEMM_NR) =
// lp * rp.
void gemm_micro_kernel(std::int64_t kc, const double* lp, const double* rp, double* out);

// Adds alpha * out (rows m <= GEMM_MR, columns n <= GEMM_NR) into the C block at (i0, j0).
// Row-major C uses ldc; packed modes write only elements with j <= i.
void gemm_update(const double* out, int m, int n, double alpha, double* c, int mode_c,
                 std::int64_t ldc, std::int64_t i0, std::int64_t j0);

// Products of packed panels for the C rows i0..i0+m-1 and columns j0..j0+n-1 (i0 and j0
// at panel boundaries of lp and rp, which hold kc values per line); packed C modes skip
// the micro-tiles wholly above the diagonal.
void gemm_panels(std::int64_t kc, const double* lp, const double* rp, std::int64_t i0,
                 std::int64_t m, std::int64_t j0, std::int64_t n, double alpha, double* c,
                 int mode_c, std::int64_t ldc, std::int64_t c_row0, std::int64_t c_col0);

// C(m x n) += alpha L R through the serial kernel's cache blocking; C row-major with ldc
// or packed (lower triangle only). Uses the kernel's static scratch.
void gemm_views(const MatrixView& left, const MatrixView& right, double* c, int mode_c,
                std::int64_t ldc, std::int64_t m, std::int64_t n, std::int64_t k, double alpha);

}  // namespace ostrel
