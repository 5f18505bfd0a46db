// Exchange-correlation gradient of the orbital density rho_s = sum D_s(mu, nu) phi_mu phi_nu.
#include <algorithm>

#include "linalg/block_transfer.hpp"
#include "linalg/gemm_kernel.hpp"
#include "linalg/vector_ops.hpp"
#include "scf/numint/xc_gradient_walk.hpp"
#include "scf/xc/xc_point.hpp"

namespace ostrel {
namespace {

// A packed matrix over the block's functions, dense.
void gather_local(const XcBlock& b, const double* packed, double* local) {
  const int nl = b.n_local;
  for (int m = 0; m < nl; ++m) {
    const long mu = b.function[m];
    const double* row = packed + mu * (mu + 1) / 2;
    for (int q = 0; q <= m; ++q) {
      const long nu = b.function[q];
      const double v = nu <= mu ? row[nu] : packed[nu * (nu + 1) / 2 + mu];
      local[static_cast<long>(m) * nl + q] = v;
      local[static_cast<long>(q) * nl + m] = v;
    }
  }
}

// Positions of the second derivatives d2/dx_c dx_e among the evaluated components.
constexpr int kSecond[3][3] = {{4, 5, 6}, {5, 7, 8}, {6, 8, 9}};

double row_dot(int n, const double* x, const double* y) {
  double s = 0.0;
  for (int i = 0; i < n; ++i) s += x[i] * y[i];
  return s;
}

}  // namespace

double xc_gradient_orbital_terms(const XcGradientInput& in, const double* da, const double* db,
                                 double* grad) {
  const XcFunctional& f = *in.functional;
  const bool gga = f.level >= 1;
  const bool closed = db == nullptr;
  const int ns = closed ? 1 : 2;
  const int nc = gga ? 4 : 1;  // X = phi D, then Y_j = (d_j phi) D
  const int order = grad && gga ? 2 : 1;
  const int nf = std::max(xc_local_bound(in), 1);  // local functions at most
  const double small = in.grid->small[in.k];
  const double* dens[2] = {da, closed ? da : db};
  const bool need_partition = !in.weights || (grad && in.weight_derivative);
  PoolArray<double> local(static_cast<std::int64_t>(ns) * nf * nf);
  PoolArray<double> xy(static_cast<std::int64_t>(ns) * nc * kXcBlock * nf);
  PoolArray<double> z(nf), q(3L * nf);
  PoolArray<double> gl(3L * in.system.n_atoms);
  double energy = 0.0;

  auto on_block = [&](XcBlock& b) {
    const int nl = b.n_local;
    for (int s = 0; s < ns; ++s) gather_local(b, dens[s], local.data() + static_cast<long>(s) * nf * nf);
    const long stride = static_cast<long>(kXcBlock) * nl;
    const double* phi = b.phi;
    for (int s = 0; s < ns; ++s) {
      const MatrixView d{local.data() + static_cast<long>(s) * nf * nf, STORE_ROWS, nl, nl};
      for (int c = 0; c < nc; ++c) {
        double* out = xy.data() + (s * nc + c) * stride;
        vec_set(static_cast<long>(b.n) * nl, 0.0, out);
        if (nl == 0) continue;
        const MatrixView left{phi + c * stride, STORE_ROWS, nl, b.n};
        gemm_views(left, d, out, STORE_ROWS, nl, b.n, nl, nl, 1.0);
      }
    }
    for (int p = 0; p < b.n; ++p) {
      const long row = static_cast<long>(p) * nl;
      double u[2][4] = {};
      for (int s = 0; s < ns; ++s) {
        const double* x0 = xy.data() + s * nc * stride + row;
        u[s][0] = row_dot(nl, phi + row, x0);
        if (gga)
          for (int j = 1; j <= 3; ++j) u[s][j] = 2.0 * row_dot(nl, phi + j * stride + row, x0);
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
      // d rho_s / dR_B = -2 sum_{mu on B} grad phi_mu (D phi)_mu, and the density gradient's
      // derivative brings in the second derivatives of phi; the carrying atom takes minus
      // the sum of the others (translation).
      vec_set(3L * b.n_list, 0.0, gl.data());
      // Spins folded first: z multiplies the gradients of the functions (v_rho X + v_g . Y),
      // q[e] their second derivatives (v_g,e X).
      const double fac = closed ? -4.0 * w : -2.0 * w;
      for (int m = 0; m < nl; ++m) {
        double zt = 0.0, t[3] = {0.0, 0.0, 0.0};
        for (int s = 0; s < ns; ++s) {
          const double* v = der.d1[s];
          const double x0 = xy[s * nc * stride + row + m];
          zt += v[0] * x0;
          if (gga)
            for (int e = 0; e < 3; ++e) {
              zt += v[1 + e] * xy[(s * nc + 1 + e) * stride + row + m];
              t[e] += v[1 + e] * x0;
            }
        }
        z[m] = fac * zt;
        if (gga)
          for (int e = 0; e < 3; ++e) q[e * nf + m] = fac * t[e];
      }
      for (int j = 0; j < b.n_list; ++j) {
        if (j == b.self && in.weight_derivative) continue;
        const int m0 = b.local_first[j], m1 = b.local_first[j + 1];
        for (int c = 0; c < 3; ++c) {
          const double* pc = phi + (1 + c) * stride + row;
          double t = 0.0;
          for (int m = m0; m < m1; ++m) t += z[m] * pc[m];
          if (gga)
            for (int e = 0; e < 3; ++e) {
              const double* pce = phi + kSecond[c][e] * stride + row;
              const double* qe = q.data() + e * nf;
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
