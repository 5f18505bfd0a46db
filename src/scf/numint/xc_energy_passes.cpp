#include "scf/numint/xc_energy_passes.hpp"

#include <algorithm>
#include <cstdint>

#include "runtime/pool.hpp"
#include "scf/numint/xc_block_kernels.hpp"
#include "scf/xc/xc_point.hpp"

namespace ostrel {
namespace {

inline int pair(int i, int j) { return i >= j ? i * (i + 1) / 2 + j : j * (j + 1) / 2 + i; }

XcBlockOrder values_through(const XcFunctional& f) { return {f.level >= 1 ? 1 : 0, false}; }

// Per-block work of the passes, kept off the stack.
struct BlockWork {
  XcPointValues u[2], u1[2], v[2];
  double d2[kXcBlockPoints][2][10];
  double d2ab[kXcBlockPoints][16];
};

}  // namespace

XcFunctional xc_slater_only(const XcFunctional& f) {
  XcFunctional s = f;
  s.a_hf = 0.0;
  s.a_x = 1.0;
  s.x_code = XC_X_SLATER;
  s.c_code = XC_C_NONE;
  s.level = 0;
  return s;
}

XcEnergies xc_orbital_terms(const XcPassInput& in, const double* const density[2],
                            double* const matrix[2]) {
  const bool gradients = in.functional->level >= 1;
  const std::int64_t nbf = in.system.basis->n_functions;
  PoolArray<double> local(nbf * nbf), z(kXcBlockPoints * nbf), y(nbf * nbf);
  PoolArray<BlockWork> work(1);
  BlockWork& w = work[0];
  XcEnergies e{0.0, 0.0};
  // Block by block through the matrix kernel: X = Phi D, rho = rowwise Phi . X,
  // V = Phi^T Z + Z^T Phi.
  xc_block_loop(*in.plan, in.system, in.cutoff, values_through(*in.functional), [&](const XcBlock& b) {
    for (int s = 0; s < in.spins; ++s) {
      xc_gather_packed(b, density[s], local.data());
      xc_orbital_density(b, local.data(), 1, gradients, z.data(), w.u[s]);
    }
    xc_block_functional(*in.functional, in.small, b, in.spins, w.u, w.v, &e.ex, &e.ec);
    for (int s = 0; s < in.spins; ++s)
      xc_orbital_matrix(b, w.v[s], gradients, z.data(), y.data(), matrix[s]);
  });
  return e;
}

XcEnergies xc_fitted_terms(const XcPassInput& in, const double* const coef[2],
                           double* const potential[2]) {
  const bool gradients = in.functional->level >= 1;
  PoolArray<BlockWork> work(1);
  BlockWork& w = work[0];
  XcEnergies e{0.0, 0.0};
  xc_block_loop(*in.plan, in.system, in.cutoff, values_through(*in.functional), [&](const XcBlock& b) {
    for (int s = 0; s < in.spins; ++s) xc_fit_density(b, coef[s], gradients, w.u[s]);
    xc_block_functional(*in.functional, in.small, b, in.spins, w.u, w.v, &e.ex, &e.ec);
    for (int s = 0; s < in.spins; ++s) xc_fit_project(b, w.v[s], gradients, potential[s]);
  });
  return e;
}

std::int64_t xc_plan_points(const XcBlockPlan& plan) {
  if (plan.n_blocks == 0) return 0;
  const XcPlanBlock& last = plan.blocks[plan.n_blocks - 1];
  return last.first + std::int64_t{last.n};
}

void xc_kernel_terms(const XcPassInput& in, const double* const coef[2], int n,
                     const double* const coef1[2], double* const response[2], XcKernelCache* cache) {
  const XcFunctional& f = *in.functional;
  const bool gradients = f.level >= 1;
  const int nc = gradients ? 4 : 1;
  const std::int64_t nfit = in.system.basis->n_functions;
  PoolArray<BlockWork> work(1);
  BlockWork& w = work[0];
  xc_block_loop(*in.plan, in.system, in.cutoff, values_through(f), [&](const XcBlock& b) {
    const int values = xc_kernel_values(in.spins);
    double* stored = cache ? cache->d2 + values * ((b.points - in.plan->points) / 3) : nullptr;
    if (stored && cache->filled) {
      for (int p = 0; p < b.n; ++p) {
        const double* q = stored + values * p;
        std::copy(q, q + 10, w.d2[p][0]);
        if (in.spins == 1) {
          std::fill(w.d2ab[p], w.d2ab[p] + 16, 0.0);
          continue;
        }
        std::copy(q + 10, q + 20, w.d2[p][1]);
        std::copy(q + 20, q + 36, w.d2ab[p]);
      }
    } else {
      for (int s = 0; s < in.spins; ++s) xc_fit_density(b, coef[s], gradients, w.u[s]);
      XcDerivatives der;
      for (int p = 0; p < b.n; ++p) {
        double ex = 0.0, ec = 0.0;
        if (in.spins == 1)
          xc_point_singlet(f, w.u[0][p], &ex, &ec, &der, in.small);
        else
          xc_point(f, w.u[0][p], w.u[1][p], &ex, &ec, &der, 2, in.small);
        for (int s = 0; s < 2; ++s)
          for (int i = 0; i < 10; ++i) w.d2[p][s][i] = b.weights[p] * der.d2[s][i];
        for (int i = 0; i < 16; ++i) w.d2ab[p][i] = b.weights[p] * der.d2ab[i];
        if (!stored) continue;
        double* q = stored + values * p;
        std::copy(w.d2[p][0], w.d2[p][0] + 10, q);
        if (in.spins == 1) continue;
        std::copy(w.d2[p][1], w.d2[p][1] + 10, q + 10);
        std::copy(w.d2ab[p], w.d2ab[p] + 16, q + 20);
      }
    }
    for (int k = 0; k < n; ++k) {
      for (int s = 0; s < in.spins; ++s) xc_fit_density(b, coef1[s] + k * nfit, gradients, w.u1[s]);
      for (int p = 0; p < b.n; ++p) {
        const double* ua = w.u1[0][p];
        const double* ub = w.u1[in.spins - 1][p];
        for (int i = 0; i < 4; ++i) {
          double va = 0.0, vb = 0.0;
          for (int j = 0; j < nc; ++j) {
            va += w.d2[p][0][pair(i, j)] * ua[j] + w.d2ab[p][4 * i + j] * ub[j];
            vb += w.d2[p][1][pair(i, j)] * ub[j] + w.d2ab[p][4 * j + i] * ua[j];
          }
          w.v[0][p][i] = i < nc ? va : 0.0;
          w.v[1][p][i] = i < nc ? vb : 0.0;
        }
      }
      for (int s = 0; s < in.spins; ++s) xc_fit_project(b, w.v[s], gradients, response[s] + k * nfit);
    }
  });
}

}  // namespace ostrel
