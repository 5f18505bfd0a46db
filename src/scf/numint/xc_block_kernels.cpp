#include "scf/numint/xc_block_kernels.hpp"

#include <algorithm>
#include <cstdint>

#include "linalg/gemm_kernel.hpp"
#include "linalg/vector_ops.hpp"
#include "scf/xc/xc_point.hpp"

namespace ostrel {
namespace {

inline std::int64_t packed(std::int64_t i, std::int64_t j) {
  return i >= j ? i * (i + 1) / 2 + j : j * (j + 1) / 2 + i;
}

// Functions handled at a time by the fitted loops (a stack buffer of coefficients).
constexpr int kFitChunk = 512;

}  // namespace

void xc_gather_packed(const XcBlock& b, const double* d, double* local) {
  const int nb = b.n_functions;
  for (int m = 0; m < nb; ++m) {
    const std::int64_t fm = b.function[m];
    for (int n = 0; n <= m; ++n) {
      const double value = d[packed(fm, b.function[n])];
      local[m * nb + n] = value;
      local[n * nb + m] = value;
    }
  }
}

void xc_orbital_density(const XcBlock& b, const double* d, int n_x, bool gradients, double* x,
                        XcPointValues& u) {
  const int np = b.n, nb = b.n_functions;
  for (int c = 0; c < n_x; ++c) {
    double* out = x + c * b.stride;
    std::fill(out, out + b.stride, 0.0);
    gemm_views({b.phi + c * b.stride, STORE_ROWS, nb, np}, {d, STORE_ROWS, nb, nb}, out,
               STORE_ROWS, nb, np, nb, nb, 1.0);
  }
  for (int p = 0; p < np; ++p) {
    const double* xp = x + p * nb;
    const double* f0 = b.phi + p * nb;
    double rho = 0.0;
    for (int m = 0; m < nb; ++m) rho += f0[m] * xp[m];
    u[p][0] = rho;
    for (int c = 1; c < 4; ++c) {
      double g = 0.0;
      if (gradients) {
        const double* fc = b.phi + c * b.stride + p * nb;
        for (int m = 0; m < nb; ++m) g += fc[m] * xp[m];
      }
      u[p][c] = 2.0 * g;
    }
  }
}

void xc_orbital_matrix(const XcBlock& b, const XcPointValues& v, bool gradients, double* z,
                       double* y, double* out) {
  const int np = b.n, nb = b.n_functions;
  for (int p = 0; p < np; ++p) {
    const double* f0 = b.phi + p * nb;
    double* zp = z + p * nb;
    const double half = 0.5 * v[p][0];
    for (int m = 0; m < nb; ++m) zp[m] = half * f0[m];
    if (gradients)
      for (int c = 1; c < 4; ++c) {
        const double* fc = b.phi + c * b.stride + p * nb;
        for (int m = 0; m < nb; ++m) zp[m] += v[p][c] * fc[m];
      }
  }
  std::fill(y, y + std::int64_t{nb} * nb, 0.0);
  gemm_views({b.phi, STORE_COLUMNS, np, nb}, {z, STORE_ROWS, nb, np}, y, STORE_ROWS, nb, nb, nb,
             np, 1.0);
  for (int m = 0; m < nb; ++m) {
    const std::int64_t fm = b.function[m];
    for (int n = 0; n <= m; ++n) out[packed(fm, b.function[n])] += y[m * nb + n] + y[n * nb + m];
  }
}

void xc_fit_density(const XcBlock& b, const double* coef, bool gradients, XcPointValues& u) {
  const int nb = b.n_functions;
  const int ncomp = gradients ? 4 : 1;
  for (int p = 0; p < b.n; ++p) u[p][0] = u[p][1] = u[p][2] = u[p][3] = 0.0;
  // The block's coefficients side by side, so that the inner loops run over contiguous rows.
  double local[kFitChunk];
  for (int m0 = 0; m0 < nb; m0 += kFitChunk) {
    const int m1 = std::min(nb, m0 + kFitChunk);
    for (int m = m0; m < m1; ++m) local[m - m0] = coef[b.function[m]];
    for (int p = 0; p < b.n; ++p)
      for (int c = 0; c < ncomp; ++c) u[p][c] += vec_dot(m1 - m0, local, b.phi + c * b.stride + p * nb + m0);
  }
}

void xc_fit_project(const XcBlock& b, const XcPointValues& v, bool gradients, double* out) {
  const int nb = b.n_functions;
  const int ncomp = gradients ? 4 : 1;
  double local[kFitChunk];
  for (int m0 = 0; m0 < nb; m0 += kFitChunk) {
    const int m1 = std::min(nb, m0 + kFitChunk);
    std::fill(local, local + (m1 - m0), 0.0);
    for (int p = 0; p < b.n; ++p)
      for (int c = 0; c < ncomp; ++c) {
        const double* row = b.phi + c * b.stride + p * nb;
        const double w = v[p][c];
        for (int m = m0; m < m1; ++m) local[m - m0] += w * row[m];
      }
    for (int m = m0; m < m1; ++m) out[b.function[m]] += local[m - m0];
  }
}

void xc_block_functional(const XcFunctional& f, double small, const XcBlock& b, int spins,
                         const XcPointValues* u, XcPointValues* v, double* ex, double* ec) {
  XcDerivatives der;
  for (int p = 0; p < b.n; ++p) {
    double e_x = 0.0, e_c = 0.0;
    xc_point(f, u[0][p], u[spins - 1][p], &e_x, &e_c, &der, 1, small);
    const double weight = b.weights[p];
    *ex += weight * e_x;
    *ec += weight * e_c;
    for (int s = 0; s < spins; ++s)
      for (int c = 0; c < 4; ++c) v[s][p][c] = weight * der.d1[s][c];
  }
}

}  // namespace ostrel
