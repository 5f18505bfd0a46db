#include "scf/xc_fitted_pass_density.hpp"

#include <cstdint>

namespace ostrel {

void xc_fit_density(const XcPassBlock& b, const double* coef, int gradients, double (*u)[4]) {
  const int nb = b.n_functions;
  const std::int64_t stride = std::int64_t{b.n_points} * nb;
  const int ncomp = gradients ? 4 : 1;
  for (int p = 0; p < b.n_points; ++p) {
    u[p][0] = u[p][1] = u[p][2] = u[p][3] = 0.0;
    for (int c = 0; c < ncomp; ++c) {
      const double* row = b.phi + c * stride + p * nb;
      double sum = 0.0;
      for (int m = 0; m < nb; ++m) sum += coef[b.function[m]] * row[m];
      u[p][c] = sum;
    }
  }
}

void xc_fit_project(const XcPassBlock& b, const double (*v)[4], int gradients, double* out) {
  const int nb = b.n_functions;
  const std::int64_t stride = std::int64_t{b.n_points} * nb;
  const int ncomp = gradients ? 4 : 1;
  for (int m = 0; m < nb; ++m) {
    double sum = 0.0;
    for (int c = 0; c < ncomp; ++c) {
      const double* col = b.phi + c * stride + m;
      for (int p = 0; p < b.n_points; ++p) sum += v[p][c] * col[p * nb];
    }
    out[b.function[m]] += sum;
  }
}

}  // namespace ostrel
