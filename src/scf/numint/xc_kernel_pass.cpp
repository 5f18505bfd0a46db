// Kernel pass of the Newton step: first-order potentials of n perturbed fitted densities
// through the second derivatives of the functional, projected onto the fitting functions.
#include <cstdint>

#include "model/basis_record.hpp"
#include "model/molecule_record.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"
#include "runtime/timer.hpp"
#include "scf/numint/basis_eval_shells.hpp"
#include "scf/numint/xc_block_pass.hpp"
#include "scf/numint/xc_fitted_pass_density.hpp"
#include "scf/numint/xc_passes.hpp"
#include "scf/xc/xc_point.hpp"

namespace ostrel {
namespace {

struct KernelWork {
  XcFunctional f;
  int spins;
  int gradients;
  int n;  // perturbations
  int nfit;
  double small;
  const double* coef[2];   // ground state
  const double* coef1[2];  // n vectors each
  double* response[2];     // n vectors each
  double u[2][kXcBlockPoints][4];
  double u1[2][kXcBlockPoints][4];
  double v[2][kXcBlockPoints][4];
  double d2[kXcBlockPoints][2][10];
  double d2ab[kXcBlockPoints][16];
};

inline int pair(int i, int j) { return i >= j ? i * (i + 1) / 2 + j : j * (j + 1) / 2 + i; }

void visit_block(void* context, const XcPassBlock& b) {
  KernelWork& w = *static_cast<KernelWork*>(context);
  const int np = b.n_points;
  for (int s = 0; s < w.spins; ++s) xc_fit_density(b, w.coef[s], w.gradients, w.u[s]);
  XcDerivatives der;
  for (int p = 0; p < np; ++p) {
    double ex = 0.0, ec = 0.0;
    xc_point(w.f, w.u[0][p], w.u[w.spins - 1][p], &ex, &ec, &der, 2, w.small);
    for (int s = 0; s < 2; ++s)
      for (int i = 0; i < 10; ++i) w.d2[p][s][i] = b.weights[p] * der.d2[s][i];
    for (int i = 0; i < 16; ++i) w.d2ab[p][i] = b.weights[p] * der.d2ab[i];
  }
  const int nc = w.gradients ? 4 : 1;
  for (int k = 0; k < w.n; ++k) {
    for (int s = 0; s < w.spins; ++s)
      xc_fit_density(b, w.coef1[s] + std::int64_t{k} * w.nfit, w.gradients, w.u1[s]);
    for (int p = 0; p < np; ++p) {
      const double* ua = w.u1[0][p];
      const double* ub = w.u1[w.spins - 1][p];
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
    for (int s = 0; s < w.spins; ++s)
      xc_fit_project(b, w.v[s], w.gradients, w.response[s] + std::int64_t{k} * w.nfit);
  }
}

}  // namespace

void xc_kernel_pass() {
  timer("Ex. - Corr.  Response", '-');
  Molecule mol = load_molecule(1, "Molecule");
  Basis basis = load_basis(1, "Basis2", mol);
  BasisShells shells = basis_shells(basis);
  XcPassGrid grid = xc_pass_grid();
  {
    XcFunctional f = xc_broadcast_functional();
    if (xc_broadcast_int("d2loc")) f = xc_slater_only(f);
    const int closed = xc_broadcast_int("closed");
    const int n = xc_broadcast_int("ND1");
    const int nfit = basis.n_functions;
    const int spins = closed ? 1 : 2;
    const std::int64_t block = std::int64_t{n} * nfit;
    PoolArray<double> coef(2 * std::int64_t{nfit}), coef1(2 * block), out(2 * block);
    PoolArray<KernelWork> work(1);
    KernelWork& w = work[0];
    w.f = f;
    w.spins = spins;
    w.gradients = f.level >= 1;
    w.n = n;
    w.nfit = nfit;
    w.small = grid.small;
    const char* names[2] = {"da", "db"};
    const char* names1[2] = {"da1", "db1"};
    for (int s = 0; s < spins; ++s) {
      w.coef[s] = coef.data() + s * nfit;
      w.coef1[s] = coef1.data() + s * block;
      w.response[s] = out.data() + s * block;
      xc_broadcast_doubles(names[s], coef.data() + s * nfit, nfit);
      xc_broadcast_doubles(names1[s], coef1.data() + s * block, block);
    }
    for (std::int64_t i = 0; i < 2 * block; ++i) out[i] = 0.0;
    timer("Numerical Integration", '-');
    xc_walk_blocks(grid, shells.set, mol.xyz, w.gradients, visit_block, &w);
    timer("Numerical Integration", '+');
    mp_sum(out.data(), 2 * block, MP_DOUBLE);
    if (is_master && block > 0) {
      store_write("fa1", 0, out.data(), 8 * block);
      store_write("fb1", 0, out.data() + (closed ? 0 : block), 8 * block);
    }
  }
  xc_pass_grid_release(grid);
  release_basis_shells(shells);
  release_basis(basis);
  release_molecule(mol);
  timer("Ex. - Corr.  Response", '+');
}

}  // namespace ostrel
