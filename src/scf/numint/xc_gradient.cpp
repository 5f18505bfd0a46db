// Nuclear derivative of the exchange-correlation energy on the blocks of the energy passes.
#include "scf/numint/xc_gradient.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "runtime/pool.hpp"
#include "scf/numint/xc_block_kernels.hpp"
#include "scf/xc/xc_point.hpp"

namespace ostrel {
namespace {

// Adds point p's term to grad: listed atom j gets sum over its functions of q0[m] grad phi_m
// (+ q_e[m] d_e grad phi_m, q_e = q + (1 + e) ldq, with `gga`); with the grid carried by the
// atoms the carrying atom then takes minus the others' sum (translation), and every atom C
// gets e d ln(share)/dR_C.
void add_point_gradient(const XcGradientInput& in, const XcBlock& b, int p, const double* q,
                        int ldq, bool gga, double e, const double* dlnw, double* gl, double* grad) {
  const std::int64_t row = std::int64_t{p} * b.n_functions;
  const double* phi[10];
  for (int k = 0; k < (gga ? 10 : 4); ++k) phi[k] = b.phi + k * b.stride + row;
  const double *qx = q + ldq, *qy = q + 2 * ldq, *qz = q + 3 * ldq;
  for (int j = 0; j < b.n_list; ++j) {
    if (j == b.self && in.weight_derivative) continue;
    const int m0 = b.list_first[j], m1 = b.list_first[j + 1];
    // One pass over the atom's functions for the three directions: each second derivative
    // serves two of them.
    double tx = 0.0, ty = 0.0, tz = 0.0;
    if (gga) {
      for (int m = m0; m < m1; ++m) {
        const double xy = phi[5][m], xz = phi[6][m], yz = phi[8][m];
        tx += q[m] * phi[1][m] + qx[m] * phi[4][m] + qy[m] * xy + qz[m] * xz;
        ty += q[m] * phi[2][m] + qx[m] * xy + qy[m] * phi[7][m] + qz[m] * yz;
        tz += q[m] * phi[3][m] + qx[m] * xz + qy[m] * yz + qz[m] * phi[9][m];
      }
    } else {
      for (int m = m0; m < m1; ++m) {
        tx += q[m] * phi[1][m];
        ty += q[m] * phi[2][m];
        tz += q[m] * phi[3][m];
      }
    }
    gl[3 * j] = tx;
    gl[3 * j + 1] = ty;
    gl[3 * j + 2] = tz;
  }
  for (int j = 0; j < b.n_list; ++j) {
    if (j == b.self && in.weight_derivative) continue;
    for (int c = 0; c < 3; ++c) {
      grad[3 * b.list[j] + c] += gl[3 * j + c];
      if (in.weight_derivative) grad[3 * b.atom + c] -= gl[3 * j + c];
    }
  }
  if (in.weight_derivative)
    for (int i = 0; i < 3 * in.system.n_atoms; ++i) grad[i] += e * dlnw[i];
}

// The walk common to both densities: density(b, u, x) fills the spin densities of a block,
// point(b, p, der, fac, q) the coefficients of the point's gradient term.
template <class Density, class Point>
double gradient_walk(const XcGradientInput& in, int spins, double* grad, Density density,
                     Point point) {
  const XcFunctional& f = *in.functional;
  const bool gga = f.level >= 1;
  const double small = in.grid->small[in.k];
  const ShellSet& set = *in.system.basis;
  const bool need_partition = !in.weights || (grad && in.weight_derivative);
  const int n_atoms = in.system.n_atoms;
  const std::int64_t nf = std::max(set.n_functions, 1);
  XcBlockPlan plan = xc_block_plan(*in.grid, in.k, in.system.xyz, in.weights);
  double energy = 0.0;
  {
    PoolArray<double> scratch(6L * n_atoms), q(4 * nf);
    double* dlnw = scratch.data();
    double* gl = scratch.data() + 3L * n_atoms;
    PoolArray<XcPointValues> u(2);
    const XcBlockOrder order{grad && gga ? 2 : 1, in.weight_derivative};
    xc_block_loop(plan, in.system, in.grid->cutoff[in.k], order, [&](const XcBlock& b) {
      density(b, u.data());
      for (int p = 0; p < b.n; ++p) {
        double part = 1.0;
        if (need_partition)
          part = cell_weight(*in.system.cells, b.points + 3 * p, b.atom,
                             grad && in.weight_derivative ? dlnw : nullptr);
        const double w = in.weights ? b.weights[p] : b.weights[p] * part;
        if (w == 0.0 || part == 0.0) continue;
        double ex = 0.0, ec = 0.0;
        XcDerivatives der;
        xc_point(f, u[0][p], u[spins - 1][p], &ex, &ec, &der, grad ? 1 : 0, small);
        energy += w * (ex + ec);
        if (!grad) continue;
        point(b, p, der, w, q.data(), nf);
        add_point_gradient(in, b, p, q.data(), static_cast<int>(nf), gga, w * (ex + ec), dlnw,
                           gl, grad);
      }
    });
  }
  xc_block_plan_release(plan);
  return energy;
}

}  // namespace

double xc_gradient_orbital_terms(const XcGradientInput& in, const double* da, const double* db,
                                 double* grad) {
  const bool gga = in.functional->level >= 1;
  const bool closed = db == nullptr;
  const int ns = closed ? 1 : 2;
  const int nc = grad && gga ? 4 : 1;  // X = phi D, then Y_j = (d_j phi) D
  const std::int64_t nf = std::max(in.system.basis->n_functions, 1);
  const double* dens[2] = {da, closed ? da : db};
  PoolArray<double> local(nf * nf), xy(ns * nc * kXcBlockPoints * nf);
  auto density = [&](const XcBlock& b, XcPointValues* u) {
    for (int s = 0; s < ns; ++s) {
      xc_gather_packed(b, dens[s], local.data());
      xc_orbital_density(b, local.data(), nc, gga, xy.data() + s * nc * b.stride, u[s]);
    }
  };
  // d rho_s / dR_B = -2 sum_{mu on B} grad phi_mu (D phi)_mu, and the density gradient's
  // derivative brings in the second derivatives of phi. Spins folded first: q0 multiplies
  // the gradients of the functions (v_rho X + v_g . Y), q_e their second derivatives (v_g,e X).
  auto point = [&](const XcBlock& b, int p, const XcDerivatives& der, double w, double* q, std::int64_t ldq) {
    const double fac = closed ? -4.0 * w : -2.0 * w;
    const std::int64_t row = std::int64_t{p} * b.n_functions;
    for (int m = 0; m < b.n_functions; ++m) {
      double zt = 0.0, t[3] = {0.0, 0.0, 0.0};
      for (int s = 0; s < ns; ++s) {
        const double* v = der.d1[s];
        const double* x = xy.data() + s * nc * b.stride + row + m;
        zt += v[0] * x[0];
        if (gga)
          for (int e = 0; e < 3; ++e) {
            zt += v[1 + e] * x[(1 + e) * b.stride];
            t[e] += v[1 + e] * x[0];
          }
      }
      q[m] = fac * zt;
      if (gga)
        for (int e = 0; e < 3; ++e) q[(1 + e) * ldq + m] = fac * t[e];
    }
  };
  return gradient_walk(in, ns, grad, density, point);
}

double xc_gradient_fitted_terms(const XcGradientInput& in, const double* da, const double* db,
                                double* grad) {
  const bool gga = in.functional->level >= 1;
  const bool closed = db == nullptr;
  const int ns = closed ? 1 : 2;
  const double* coef[2] = {da, closed ? da : db};
  auto density = [&](const XcBlock& b, XcPointValues* u) {
    for (int s = 0; s < ns; ++s) xc_fit_density(b, coef[s], gga, u[s]);
  };
  // d rho_s / dR_B = -sum_{k on B} d_s,k grad chi_k; the density gradient's derivative takes
  // the second derivatives.
  auto point = [&](const XcBlock& b, int, const XcDerivatives& der, double w, double* q, std::int64_t ldq) {
    const double fac = closed ? -2.0 * w : -w;
    const int nq = gga ? 4 : 1;
    for (int m = 0; m < b.n_functions; ++m) {
      double t[4] = {0.0, 0.0, 0.0, 0.0};
      for (int s = 0; s < ns; ++s) {
        const double d = coef[s][b.function[m]];
        for (int e = 0; e < nq; ++e) t[e] += d * der.d1[s][e];
      }
      for (int e = 0; e < nq; ++e) q[e * ldq + m] = fac * t[e];
    }
  };
  return gradient_walk(in, ns, grad, density, point);
}

}  // namespace ostrel
