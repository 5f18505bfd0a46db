// Fitted-density pass: rho from the fit coefficients over the fitting basis, the potential
// projected back onto the fitting functions.
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

struct FittedWork {
  XcFunctional f;
  int spins;
  int gradients;
  double small;
  const double* coef[2];
  double* potential[2];
  double ex, ec;
  double u[2][kXcBlockPoints][4];
  double v[2][kXcBlockPoints][4];
};

void visit_block(void* context, const XcPassBlock& b) {
  FittedWork& w = *static_cast<FittedWork*>(context);
  for (int s = 0; s < w.spins; ++s) xc_fit_density(b, w.coef[s], w.gradients, w.u[s]);
  XcDerivatives der;
  for (int p = 0; p < b.n_points; ++p) {
    double ex = 0.0, ec = 0.0;
    xc_point(w.f, w.u[0][p], w.u[w.spins - 1][p], &ex, &ec, &der, 1, w.small);
    const double weight = b.weights[p];
    w.ex += weight * ex;
    w.ec += weight * ec;
    for (int s = 0; s < w.spins; ++s)
      for (int c = 0; c < 4; ++c) w.v[s][p][c] = weight * der.d1[s][c];
  }
  for (int s = 0; s < w.spins; ++s) xc_fit_project(b, w.v[s], w.gradients, w.potential[s]);
}

}  // namespace

void xc_fitted_pass() {
  timer("Numerical Integration", '-');
  Molecule mol = load_molecule(1, "Molecule");
  Basis basis = load_basis(1, "Basis2", mol);
  BasisShells shells = basis_shells(basis);
  XcPassGrid grid = xc_pass_grid();
  {
    const XcFunctional f = xc_broadcast_functional();
    const int closed = xc_broadcast_int("closed");
    const int nfit = basis.n_functions;
    const int spins = closed ? 1 : 2;
    PoolArray<double> coef(2 * std::int64_t{nfit}), out(2 * std::int64_t{nfit} + 2);
    PoolArray<FittedWork> work(1);
    FittedWork& w = work[0];
    w.f = f;
    w.spins = spins;
    w.gradients = f.level >= 1;
    w.small = grid.small;
    w.ex = w.ec = 0.0;
    const char* names[2] = {"da", "db"};
    for (int s = 0; s < spins; ++s) {
      w.coef[s] = coef.data() + s * nfit;
      w.potential[s] = out.data() + s * nfit;
      xc_broadcast_doubles(names[s], coef.data() + s * nfit, nfit);
    }
    for (long i = 0; i < 2 * nfit + 2; ++i) out[i] = 0.0;
    xc_walk_blocks(grid, shells.set, mol.xyz, w.gradients, visit_block, &w);

    out[2 * nfit] = w.ex;
    out[2 * nfit + 1] = w.ec;
    mp_sum(out.data(), 2 * std::int64_t{nfit} + 2, MP_DOUBLE);
    if (is_master) {
      const std::int64_t bytes = 8 * std::int64_t{nfit};
      store_write("Ex", 0, &out[2 * nfit], 8);
      store_write("Ec", 0, &out[2 * nfit + 1], 8);
      store_write("fa", 0, out.data(), bytes);
      store_write("fb", 0, out.data() + (closed ? 0 : nfit), bytes);
    }
  }
  xc_pass_grid_release(grid);
  release_basis_shells(shells);
  release_basis(basis);
  release_molecule(mol);
  timer("Numerical Integration", '+');
}

}  // namespace ostrel
