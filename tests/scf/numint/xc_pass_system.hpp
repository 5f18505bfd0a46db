#pragma once
// Store set-up for the exchange-correlation pass tests: a molecule with def2-SVP and the
// universal Coulomb-fitting set from the shipped library, grid options, a functional, a
// positive free-atom density over the fitting functions ("atomic_d"), the adaptive grid built
// from it and the weights of both grids.
#include "scf/grid/grid_options.hpp"
#include "scf/grid/grid_passes.hpp"
#include "scf/grid/grid_test_system.hpp"
#include "scf/numint/basis_eval_shells.hpp"
#include "scf/numint/xc_block_kernels.hpp"

namespace ostrel::testing {

inline void store_functional(const char* name) { xc_store_write(named_functional(name)); }

// Integral of each fitting function (zero for l > 0), in function order.
inline std::vector<double> fit_function_charges(const Basis& fit) {
  std::vector<double> q(fit.n_functions, 0.0);
  for (int i = 0; i < fit.n_shells; ++i) {
    const ShellSlot& s = fit.shells[i];
    if (s.l != 0) continue;
    double sum = 0.0;
    for (int p = 0; p < s.n_primitives; ++p)
      sum += s.coef[0][p] * std::pow(std::numbers::pi / s.exponent[p], 1.5);
    q[fit.shell_first_function[i]] = sum;
  }
  return q;
}

// Master only: molecule (text of a "$molecule" group) and both bases from `library`, the
// grid options, the functional and "closed". Every node must call the passes afterwards.
inline void xc_read_model(const std::string& molecule, const std::string& grid,
                          const char* functional, int closed,
                          const char* library = "def2") {
  read_test_model(molecule, FitSet::coulomb, library);
  captured_stdout([&] { grid_setup_options(InputFile(grid).get()); });
  store_functional(functional);
  store_put("closed", closed);
}

// Free-atom-like densities over the s fitting functions of every atom: positive
// coefficients, each atom holding its nuclear charge, tighter functions taking smaller
// shares. Returns atomic_d; `spin` = 0.5 atomic_d (closed) or 0.55 / 0.45 of it plus small
// p and d parts of opposite sign (open), which the caller stores as "da", "db".
struct FitDensities {
  std::vector<double> atomic_d, da, db, charge;
};
inline FitDensities model_fit_densities(int closed) {
  const LoadedBasis loaded("Basis2");
  const Molecule& mol = loaded.mol;
  const Basis& fit = loaded.basis;
  FitDensities r;
  r.charge = fit_function_charges(fit);
  r.atomic_d = r.da = r.db = std::vector<double>(fit.n_functions, 0.0);
  for (int a = 0; a < mol.n_atoms; ++a) {
    double total = 0.0;
    for (int i = fit.atom_first_shell[a]; i < fit.atom_first_shell[a + 1]; ++i)
      if (fit.shells[i].l == 0) total += 1.0 / std::sqrt(fit.shells[i].exponent[0]);
    for (int i = fit.atom_first_shell[a]; i < fit.atom_first_shell[a + 1]; ++i) {
      const ShellSlot& s = fit.shells[i];
      const int f = fit.shell_first_function[i];
      if (s.l == 0) {
        r.atomic_d[f] = mol.z[a] / (total * std::sqrt(s.exponent[0])) / r.charge[f];
      } else if (s.l <= 2) {
        for (int c = 0; c <= 2 * s.l; ++c)
          r.da[f + c] = 2e-3 * std::cos(1.0 + f + c) / (1.0 + s.exponent[0]);
      }
    }
  }
  for (int k = 0; k < fit.n_functions; ++k) {
    const double pol = r.da[k];
    r.da[k] = (closed ? 0.5 : 0.55) * r.atomic_d[k] + pol;
    r.db[k] = closed ? r.da[k] : 0.45 * r.atomic_d[k] - 0.5 * pol;
  }
  return r;
}

// Builds the grid from the stored "da", "db", "atomic_d" and computes the weights of both
// grids (all nodes); with `order`, every final shell then takes that rule (new weights).
inline void build_grid_and_weights(int order = 0) {
  const LoadedBasis fit("Basis2", "Molecule", 1);
  BasisShells view = basis_shells(fit.basis);
  if (is_master) ::testing::internal::CaptureStdout();
  grid_build(view.set);
  if (order > 0 && is_master) {
    Grid g = grid_read(0);
    for (int i = 0; i < g.n_shells; ++i) g.orders[2 * i] = order;
    grid_count_points(g);
    grid_write(g);
    store_write("Ngrid", 0, g.n_points, sizeof g.n_points);
    grid_release(g);
  }
  grid_weights(view.set);
  if (is_master) ::testing::internal::GetCapturedStdout();
  release_basis_shells(view);
}

// Stores the model fitted densities of xc_read_model's molecule and builds the grid.
inline FitDensities store_fit_and_grid(int closed, int order = 0) {
  FitDensities fit = model_fit_densities(closed);
  put_reals("atomic_d", fit.atomic_d);
  put_reals("da", fit.da);
  put_reals("db", fit.db);
  build_grid_and_weights(order);
  return fit;
}

// Integral of the density of `d` (fit coefficients, or a packed density matrix over "Basis"
// with `orbital`) over the grid in use, by the blocks of the passes (one process).
inline double grid_density_integral(const std::vector<double>& d, bool orbital = false) {
  const LoadedBasis loaded(orbital ? "Basis" : "Basis2");
  const Molecule& mol = loaded.mol;
  BasisShells view = basis_shells(loaded.basis);
  Grid g = grid_read(0);
  const int k = store_get<int>("grid_fine") ? GRID_FINAL : GRID_COARSE;
  const std::vector<double> w = get_reals(k == GRID_FINAL ? "grid_W" : "grid_W1");
  XcBlockPlan plan = xc_block_plan(g, k, mol.xyz, w.data());
  double sum = 0.0;
  {
    const std::int64_t nf = loaded.basis.n_functions;
    PoolArray<double> local(nf * nf), x(kXcBlockPoints * nf);
    XcPointValues u;
    xc_block_loop(plan, {mol.n_atoms, mol.xyz, &view.set}, g.cutoff[k], {0, false}, [&](const XcBlock& b) {
      if (orbital) {
        xc_gather_packed(b, d.data(), local.data());
        xc_orbital_density(b, local.data(), 1, false, x.data(), u);
      } else {
        xc_fit_density(b, d.data(), false, u);
      }
      for (int p = 0; p < b.n; ++p) sum += b.weights[p] * u[p][0];
    });
  }
  xc_block_plan_release(plan);
  grid_release(g);
  release_basis_shells(view);
  return sum;
}

}  // namespace ostrel::testing
