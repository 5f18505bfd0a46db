#include "linalg/multiply.hpp"

#include <algorithm>
#include <cstdint>

#include "linalg/gemm_kernel.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/timer.hpp"

namespace ostrel {

namespace {

// Cache blocking of the serial kernel: a K block of L panels stays in L2, one R panel
// (KC x GEMM_NR) in L1 while the L panels stream past it.
constexpr std::int64_t KC = 256;
constexpr std::int64_t MC = 96;
constexpr std::int64_t NC_BLOCK = 2400;

// Fixed scratch of the serial kernel (not re-entrant).
alignas(64) double left_buffer[MC * KC];
alignas(64) double right_buffer[NC_BLOCK * KC];

// C(M x N) = alpha L R + beta C problem after the row/column roles are settled.
struct Product {
  MatrixView left;   // M x K
  MatrixView right;  // K x N
  double* c;
  int mode_c;        // ROWS or a packed mode
  std::int64_t ldc;
  std::int64_t m, n, k;
};

Product make_product(const double* a, const double* b, double* c, int na, int k, int nc,
                     int mode_a, int mode_b, int mode_c) {
  Product p{{b, mode_b, k, nc}, {a, mode_a, na, k}, c, mode_c, na, nc, na, k};
  if (mode_c == STORE_COLUMNS) {
    // Column-major C is the row-major transpose: C^T = R^T L^T.
    p = Product{p.right.transposed(), p.left.transposed(), c, STORE_ROWS, nc, na, nc, k};
  }
  return p;
}

void scale_c(double* c, int na, int nc, int mode_c, double beta) {
  if (beta == 1.0) return;
  const std::int64_t count = (mode_c == STORE_ROWS || mode_c == STORE_COLUMNS)
                                 ? std::int64_t{na} * nc
                                 : packed_size(na);
  vec_scale(count, beta, c);
}

void serial_product(const Product& p, double alpha) {
  for (std::int64_t jc = 0; jc < p.n; jc += NC_BLOCK) {
    const std::int64_t nb = std::min(NC_BLOCK, p.n - jc);
    // A packed C needs no columns to the right of its last row.
    if (p.mode_c != STORE_ROWS && jc >= p.m) break;
    for (std::int64_t pc = 0; pc < p.k; pc += KC) {
      const std::int64_t kc = std::min(KC, p.k - pc);
      pack_right(p.right, pc, kc, jc, nb, right_buffer);
      for (std::int64_t ic = 0; ic < p.m; ic += MC) {
        const std::int64_t mb = std::min(MC, p.m - ic);
        std::int64_t nuse = nb;
        if (p.mode_c != STORE_ROWS) {
          // Columns beyond the block's last row lie above the diagonal.
          nuse = std::clamp<std::int64_t>(ic + mb - jc, 0, nb);
          if (nuse == 0) continue;
        }
        pack_left(p.left, ic, mb, pc, kc, left_buffer);
        gemm_panels(kc, left_buffer, right_buffer, 0, mb, 0, nuse, alpha, p.c, p.mode_c, p.ldc,
                    ic, jc);
      }
    }
  }
}

// Node-parallel product: K is dealt out in chunks, each node multiplies its chunk into
// C tiles that are summed onto the master.
void parallel_product(const Product& p, double* c_scale_target, int na, int nc, int mode_c,
                      double alpha, double beta) {
  const std::int64_t nodes = node_count;
  const std::int64_t per_node = (p.k + nodes - 1) / nodes;
  const std::int64_t passes = (per_node + 511) / 512;
  const std::int64_t kb = (per_node + passes - 1) / passes;
  const std::int64_t mp = (p.m + GEMM_MR - 1) / GEMM_MR * GEMM_MR;
  const std::int64_t np = (p.n + GEMM_NR - 1) / GEMM_NR * GEMM_NR;
  // Strips of 64 rows by up to TN columns: few, large sums keep the nodes from waiting
  // on each other tile by tile.
  constexpr std::int64_t TM = 64;
  const std::int64_t TN = std::min<std::int64_t>(np, 170 * GEMM_NR);
  PoolArray<double> work((mp + np) * kb + TM * TN);
  double* lp = work.data();
  double* rp = lp + mp * kb;
  double* tile = rp + np * kb;
  const bool packed = p.mode_c != STORE_ROWS;

  if (is_master) scale_c(c_scale_target, na, nc, mode_c, beta);
  for (std::int64_t pass = 0; pass < passes; ++pass) {
    const std::int64_t base = pass * nodes * kb;
    auto chunk_start = [&](std::int64_t chunk) { return std::min(p.k, base + chunk * kb); };
    auto chunk_length = [&](std::int64_t chunk) {
      return std::min(p.k, base + (chunk + 1) * kb) - chunk_start(chunk);
    };
    // Node q > 0 works on chunk q - 1, the master on the last one.
    const std::int64_t mine = is_master ? nodes - 1 : node_id - 1;
    if (is_master) {
      for (int q = 1; q < node_count; ++q) {
        const std::int64_t k0 = chunk_start(q - 1), len = chunk_length(q - 1);
        if (len <= 0) continue;
        pack_left(p.left, 0, p.m, k0, len, lp);
        pack_right(p.right, k0, len, 0, p.n, lp + mp * len);
        mp_send(lp, (mp + np) * len, MP_DOUBLE, q);
      }
    }
    const std::int64_t len = chunk_length(mine);
    if (len > 0) {
      if (is_master) {
        pack_left(p.left, 0, p.m, chunk_start(mine), len, lp);
        pack_right(p.right, chunk_start(mine), len, 0, p.n, lp + mp * len);
      } else {
        mp_recv(lp, (mp + np) * len, MP_DOUBLE, 0);
      }
    }
    const double* my_right = lp + mp * len;
    for (std::int64_t i0 = 0; i0 < p.m; i0 += TM) {
      const std::int64_t tm = std::min(TM, p.m - i0);
      for (std::int64_t j0 = 0; j0 < p.n; j0 += TN) {
        if (packed && j0 > i0 + tm - 1) break;
        std::int64_t tn = std::min(TN, p.n - j0);
        if (packed) tn = std::min(tn, i0 + tm - j0);  // nothing right of the last row
        vec_set(tm * tn, 0.0, tile);
        if (len > 0)
          gemm_panels(len, lp, my_right, i0, tm, j0, tn, 1.0, tile, STORE_ROWS, tn, 0, 0);
        mp_sum(tile, tm * tn, MP_DOUBLE);
        if (!is_master) continue;
        for (std::int64_t r = 0; r < tm; ++r) {
          const std::int64_t i = i0 + r;
          const double* t = tile + r * tn;
          if (!packed) {
            double* row = p.c + i * p.ldc + j0;
            for (std::int64_t q = 0; q < tn; ++q) row[q] += alpha * t[q];
            continue;
          }
          for (std::int64_t q = 0; q < tn && j0 + q <= i; ++q) {
            const std::int64_t j = j0 + q;
            const double s = (p.mode_c == STORE_ANTI_T && j < i) ? -1.0 : 1.0;
            p.c[i * (i + 1) / 2 + j] += s * alpha * t[q];
          }
        }
      }
    }
  }
}

}  // namespace

void gemm_views(const MatrixView& left, const MatrixView& right, double* c, int mode_c,
                std::int64_t ldc, std::int64_t m, std::int64_t n, std::int64_t k, double alpha) {
  if (m < 1 || n < 1 || k < 1 || alpha == 0.0) return;
  serial_product(Product{left, right, c, mode_c, ldc, m, n, k}, alpha);
}

void multiply_serial(const double* a, const double* b, double* c, int na, int k, int nc,
                     int mode_a, int mode_b, int mode_c, double alpha, double beta) {
  if (na < 1 || nc < 1) return;
  scale_c(c, na, nc, mode_c, beta);
  if (k < 1 || alpha == 0.0) return;
  serial_product(make_product(a, b, c, na, k, nc, mode_a, mode_b, mode_c), alpha);
}

void matrix_multiply(const double* a, const double* b, double* c, int na, int k, int nc,
                     int mode_a, int mode_b, int mode_c, double alpha, double beta) {
  if (na < 1 || nc < 1) return;
  const std::int64_t ka = k, nna = na, nnc = nc;
  const std::int64_t ratio = k < 1 ? 0 : nna * ka * nnc / (ka * (nna + nnc) + nna * nnc);
  // Every node takes part in the timer, also when the master computes alone.
  timer("Matrix Multiply", '-');
  if (node_count == 1 || ratio < 16 || alpha == 0.0) {
    if (is_master) multiply_serial(a, b, c, na, k, nc, mode_a, mode_b, mode_c, alpha, beta);
  } else {
    parallel_product(make_product(a, b, c, na, k, nc, mode_a, mode_b, mode_c), c, na, nc,
                     mode_c, alpha, beta);
  }
  timer("Matrix Multiply", '+');
}

}  // namespace ostrel
