#include "linalg/gemm_kernel.hpp"

#include "linalg/vector_ops.hpp"

namespace ostrel {

namespace {

// Eight doubles: a 512-bit register where the target has one; the compiler splits it
// elsewhere, so the code stays portable.
typedef double v8d __attribute__((vector_size(64), aligned(8)));

inline v8d load8(const double* p) {
  v8d v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}
inline void store8(double* p, v8d v) { __builtin_memcpy(p, &v, sizeof v); }

}  // namespace

double MatrixView::at(std::int64_t i, std::int64_t j) const {
  const ElementRef e = element_ref(mode, cols, rows, i, j);
  return e.sign * p[e.offset];
}

void pack_left(const MatrixView& l, std::int64_t i0, std::int64_t m, std::int64_t k0,
               std::int64_t kc, double* out) {
  for (std::int64_t ip = 0; ip < m; ip += GEMM_MR) {
    double* panel = out + ip * kc;
    const std::int64_t mr = m - ip < GEMM_MR ? m - ip : GEMM_MR;
    if (l.mode == STORE_COLUMNS && mr == GEMM_MR) {
      for (std::int64_t k = 0; k < kc; ++k) {
        const double* src = l.p + (k0 + k) * l.rows + i0 + ip;
        for (int r = 0; r < GEMM_MR; ++r) panel[k * GEMM_MR + r] = src[r];
      }
      continue;
    }
    for (std::int64_t r = 0; r < GEMM_MR; ++r) {
      if (r >= mr) {
        for (std::int64_t k = 0; k < kc; ++k) panel[k * GEMM_MR + r] = 0.0;
      } else if (l.mode == STORE_ROWS) {
        const double* src = l.p + (i0 + ip + r) * l.cols + k0;
        for (std::int64_t k = 0; k < kc; ++k) panel[k * GEMM_MR + r] = src[k];
      } else {
        for (std::int64_t k = 0; k < kc; ++k) panel[k * GEMM_MR + r] = l.at(i0 + ip + r, k0 + k);
      }
    }
  }
}

void pack_right(const MatrixView& r, std::int64_t k0, std::int64_t kc, std::int64_t j0,
                std::int64_t n, double* out) {
  for (std::int64_t jp = 0; jp < n; jp += GEMM_NR) {
    double* panel = out + jp * kc;
    const std::int64_t nr = n - jp < GEMM_NR ? n - jp : GEMM_NR;
    if (r.mode == STORE_ROWS) {
      for (std::int64_t k = 0; k < kc; ++k) {
        const double* src = r.p + (k0 + k) * r.cols + j0 + jp;
        double* dst = panel + k * GEMM_NR;
        std::int64_t c = 0;
        for (; c < nr; ++c) dst[c] = src[c];
        for (; c < GEMM_NR; ++c) dst[c] = 0.0;
      }
      continue;
    }
    for (std::int64_t c = 0; c < GEMM_NR; ++c) {
      if (c >= nr) {
        for (std::int64_t k = 0; k < kc; ++k) panel[k * GEMM_NR + c] = 0.0;
      } else if (r.mode == STORE_COLUMNS) {
        const double* src = r.p + (j0 + jp + c) * r.rows + k0;
        for (std::int64_t k = 0; k < kc; ++k) panel[k * GEMM_NR + c] = src[k];
      } else {
        for (std::int64_t k = 0; k < kc; ++k) panel[k * GEMM_NR + c] = r.at(k0 + k, j0 + jp + c);
      }
    }
  }
}

void gemm_micro_kernel(std::int64_t kc, const double* lp, const double* rp, double* out) {
  v8d c00{}, c01{}, c02{}, c10{}, c11{}, c12{}, c20{}, c21{}, c22{}, c30{}, c31{}, c32{};
  v8d c40{}, c41{}, c42{}, c50{}, c51{}, c52{}, c60{}, c61{}, c62{}, c70{}, c71{}, c72{};
  for (std::int64_t k = 0; k < kc; ++k) {
    const v8d b0 = load8(rp), b1 = load8(rp + 8), b2 = load8(rp + 16);
    double a;
    a = lp[0]; c00 += a * b0; c01 += a * b1; c02 += a * b2;
    a = lp[1]; c10 += a * b0; c11 += a * b1; c12 += a * b2;
    a = lp[2]; c20 += a * b0; c21 += a * b1; c22 += a * b2;
    a = lp[3]; c30 += a * b0; c31 += a * b1; c32 += a * b2;
    a = lp[4]; c40 += a * b0; c41 += a * b1; c42 += a * b2;
    a = lp[5]; c50 += a * b0; c51 += a * b1; c52 += a * b2;
    a = lp[6]; c60 += a * b0; c61 += a * b1; c62 += a * b2;
    a = lp[7]; c70 += a * b0; c71 += a * b1; c72 += a * b2;
    lp += GEMM_MR;
    rp += GEMM_NR;
  }
  store8(out + 0 * 24, c00); store8(out + 0 * 24 + 8, c01); store8(out + 0 * 24 + 16, c02);
  store8(out + 1 * 24, c10); store8(out + 1 * 24 + 8, c11); store8(out + 1 * 24 + 16, c12);
  store8(out + 2 * 24, c20); store8(out + 2 * 24 + 8, c21); store8(out + 2 * 24 + 16, c22);
  store8(out + 3 * 24, c30); store8(out + 3 * 24 + 8, c31); store8(out + 3 * 24 + 16, c32);
  store8(out + 4 * 24, c40); store8(out + 4 * 24 + 8, c41); store8(out + 4 * 24 + 16, c42);
  store8(out + 5 * 24, c50); store8(out + 5 * 24 + 8, c51); store8(out + 5 * 24 + 16, c52);
  store8(out + 6 * 24, c60); store8(out + 6 * 24 + 8, c61); store8(out + 6 * 24 + 16, c62);
  store8(out + 7 * 24, c70); store8(out + 7 * 24 + 8, c71); store8(out + 7 * 24 + 16, c72);
}

void gemm_update(const double* out, int m, int n, double alpha, double* c, int mode_c,
                 std::int64_t ldc, std::int64_t i0, std::int64_t j0) {
  if (mode_c == STORE_ROWS) {
    for (int r = 0; r < m; ++r) {
      double* row = c + (i0 + r) * ldc + j0;
      const double* o = out + r * GEMM_NR;
      for (int k = 0; k < n; ++k) row[k] += alpha * o[k];
    }
    return;
  }
  for (int r = 0; r < m; ++r) {
    const std::int64_t i = i0 + r;
    for (int k = 0; k < n; ++k) {
      const std::int64_t j = j0 + k;
      if (mode_c == STORE_COLUMNS) {
        c[j * ldc + i] += alpha * out[r * GEMM_NR + k];
      } else if (j <= i) {
        const double s = (mode_c == STORE_ANTI_T && j < i) ? -1.0 : 1.0;
        c[i * (i + 1) / 2 + j] += s * alpha * out[r * GEMM_NR + k];
      }
    }
  }
}

void gemm_panels(std::int64_t kc, const double* lp, const double* rp, std::int64_t i0,
                 std::int64_t m, std::int64_t j0, std::int64_t n, double alpha, double* c,
                 int mode_c, std::int64_t ldc, std::int64_t c_row0, std::int64_t c_col0) {
  alignas(64) double out[GEMM_MR * GEMM_NR];
  const bool packed = mode_c != STORE_ROWS && mode_c != STORE_COLUMNS;
  for (std::int64_t jp = 0; jp < n; jp += GEMM_NR) {
    const int nr = static_cast<int>(n - jp < GEMM_NR ? n - jp : GEMM_NR);
    const double* rpanel = rp + (j0 + jp) * kc;
    for (std::int64_t ip = 0; ip < m; ip += GEMM_MR) {
      const int mr = static_cast<int>(m - ip < GEMM_MR ? m - ip : GEMM_MR);
      const std::int64_t ci = c_row0 + ip, cj = c_col0 + jp;
      if (packed && cj > ci + mr - 1) continue;
      gemm_micro_kernel(kc, lp + (i0 + ip) * kc, rpanel, out);
      gemm_update(out, mr, nr, alpha, c, mode_c, ldc, ci, cj);
    }
  }
}

}  // namespace ostrel
