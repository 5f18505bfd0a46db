#include "scf/numint/xc_fitted_pass_density.hpp"

#include <cstdint>

namespace ostrel {

void xc_fit_density(const XcPassBlock& b, const double* coef, int gradients, double (*u)[4]) {
  const int nb = b.n_functions;
  const std::int64_t stride = std::int64_t{b.n_points} * nb;
  const int ncomp = gradients ? 4 : 1;
  // The block's coefficients side by side, so that the inner loops run over contiguous rows.
  double local[kXcFitBlockFunctions];
  for (int m0 = 0; m0 < nb; m0 += kXcFitBlockFunctions) {
    const int m1 = nb - m0 < kXcFitBlockFunctions ? nb : m0 + kXcFitBlockFunctions;
    for (int m = m0; m < m1; ++m) local[m - m0] = coef[b.function[m]];
    for (int p = 0; p < b.n_points; ++p) {
      if (m0 == 0) u[p][0] = u[p][1] = u[p][2] = u[p][3] = 0.0;
      for (int c = 0; c < ncomp; ++c) {
        const double* row = b.phi + c * stride + p * nb;
        double sum = 0.0;
        for (int m = m0; m < m1; ++m) sum += local[m - m0] * row[m];
        u[p][c] += sum;
      }
    }
  }
}

void xc_fit_project(const XcPassBlock& b, const double (*v)[4], int gradients, double* out) {
  const int nb = b.n_functions;
  const std::int64_t stride = std::int64_t{b.n_points} * nb;
  const int ncomp = gradients ? 4 : 1;
  double local[kXcFitBlockFunctions];
  for (int m0 = 0; m0 < nb; m0 += kXcFitBlockFunctions) {
    const int m1 = nb - m0 < kXcFitBlockFunctions ? nb : m0 + kXcFitBlockFunctions;
    for (int m = m0; m < m1; ++m) local[m - m0] = 0.0;
    for (int p = 0; p < b.n_points; ++p)
      for (int c = 0; c < ncomp; ++c) {
        const double* row = b.phi + c * stride + p * nb;
        const double w = v[p][c];
        for (int m = m0; m < m1; ++m) local[m - m0] += w * row[m];
      }
    for (int m = m0; m < m1; ++m) out[b.function[m]] += local[m - m0];
  }
}

}  // namespace ostrel
