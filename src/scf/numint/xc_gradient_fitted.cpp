// Exchange-correlation gradient of the fitted density rho_s = sum_k d_s,k chi_k at fixed
// coefficients (their response enters through the fitting terms of the gradient).
#include "linalg/vector_ops.hpp"
#include "scf/numint/xc_gradient_walk.hpp"
#include "scf/xc/xc_point.hpp"

namespace ostrel {
namespace {

// Positions of the second derivatives d2/dx_c dx_e among the evaluated components.
constexpr int kSecond[3][3] = {{4, 5, 6}, {5, 7, 8}, {6, 8, 9}};

}  // namespace

double xc_gradient_fitted_terms(const XcGradientInput& in, const double* da, const double* db,
                                double* grad) {
  const XcFunctional& f = *in.functional;
  const bool gga = f.level >= 1;
  const bool closed = db == nullptr;
  const int ns = closed ? 1 : 2;
  const int order = grad && gga ? 2 : 1;
  const int nf = in.system.basis->n_functions;
  const double small = in.grid->small[in.k];
  const double* coef[2] = {da, closed ? da : db};
  const bool need_partition = !in.weights || (grad && in.weight_derivative);
  PoolArray<double> local(2L * nf);
  PoolArray<double> gl(3L * in.system.n_atoms);
  PoolArray<double> q(4L * nf);
  double energy = 0.0;

  auto on_block = [&](XcBlock& b) {
    const int nl = b.n_local;
    for (int s = 0; s < ns; ++s)
      for (int m = 0; m < nl; ++m) local[s * nf + m] = coef[s][b.function[m]];
    const long stride = static_cast<long>(kXcBlock) * nl;
    for (int p = 0; p < b.n; ++p) {
      const double* phi = b.phi + static_cast<long>(p) * nl;
      double u[2][4] = {};
      for (int s = 0; s < ns; ++s) {
        const double* d = local.data() + s * nf;
        for (int j = 0; j < (gga ? 4 : 1); ++j) {
          double t = 0.0;
          for (int m = 0; m < nl; ++m) t += d[m] * phi[j * stride + m];
          u[s][j] = t;
        }
      }
      double part = 1.0;
      if (need_partition) part = xc_block_partition(b, in.partition, p, grad && in.weight_derivative);
      const double w = in.weights ? in.weights[b.first_point + b.index[p]] : b.base[b.index[p]] * part;
      if (w == 0.0) continue;
      double ex = 0.0, ec = 0.0;
      XcDerivatives der;
      xc_point(f, u[0], closed ? u[0] : u[1], &ex, &ec, &der, grad ? 1 : 0, small);
      energy += w * (ex + ec);
      if (!grad) continue;
      // d rho_s / dR_B = -sum_{k on B} d_s,k grad chi_k; the density gradient's derivative
      // takes the second derivatives; the carrying atom takes minus the others' sum.
      vec_set(3L * b.n_list, 0.0, gl.data());
      // Spins folded first: q[0] multiplies the gradients of the functions, q[1..3] their
      // second derivatives.
      const double fac = closed ? -2.0 * w : -w;
      const int nq = gga ? 4 : 1;
      for (int m = 0; m < nl; ++m) {
        double t[4] = {0.0, 0.0, 0.0, 0.0};
        for (int s = 0; s < ns; ++s) {
          const double d = local[s * nf + m];
          for (int e = 0; e < nq; ++e) t[e] += d * der.d1[s][e];
        }
        for (int e = 0; e < nq; ++e) q[e * nf + m] = fac * t[e];
      }
      for (int j = 0; j < b.n_list; ++j) {
        if (j == b.self && in.weight_derivative) continue;
        const int m0 = b.local_first[j], m1 = b.local_first[j + 1];
        for (int c = 0; c < 3; ++c) {
          const double* pc = phi + (1 + c) * stride;
          double t = 0.0;
          for (int m = m0; m < m1; ++m) t += q[m] * pc[m];
          if (gga)
            for (int e = 0; e < 3; ++e) {
              const double* pce = phi + kSecond[c][e] * stride;
              const double* qe = q.data() + (1 + e) * nf;
              for (int m = m0; m < m1; ++m) t += qe[m] * pce[m];
            }
          gl[3 * j + c] += t;
        }
      }
      if (in.weight_derivative)
        for (int j = 0; j < b.n_list; ++j)
          if (j != b.self)
            for (int c = 0; c < 3; ++c) gl[3 * j + c] += w * (ex + ec) * b.dlnp[3 * j + c];
      for (int j = 0; j < b.n_list; ++j) {
        if (j == b.self && in.weight_derivative) continue;
        for (int c = 0; c < 3; ++c) {
          grad[3 * b.list[j] + c] += gl[3 * j + c];
          if (in.weight_derivative) grad[3 * b.atom + c] -= gl[3 * j + c];
        }
      }
    }
  };
  xc_gradient_walk(in, order, on_block);
  return energy;
}

}  // namespace ostrel
