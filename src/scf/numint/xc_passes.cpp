// The store edge of the exchange-correlation passes: records in, the in-memory passes run on
// every node, the nodes' shares summed, records out.
#include "scf/numint/xc_passes.hpp"

#include <algorithm>
#include <cstdint>
#include <span>

#include "model/basis_record.hpp"
#include "model/molecule_record.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/timer.hpp"
#include "scf/numint/basis_eval_shells.hpp"
#include "scf/numint/xc_energy_passes.hpp"
#include "scf/numint/xc_gradient.hpp"

namespace ostrel {
namespace {

int broadcast_int(Record<int> r) {
  int value = is_master ? record_get(r) : 0;
  mp_bcast(&value, 1, MP_INT);
  return value;
}

void broadcast_array(Record<double> r, std::span<double> data) {
  if (data.empty()) return;
  if (is_master) record_read(r, data);
  mp_bcast(data.data(), static_cast<std::int64_t>(data.size()), MP_DOUBLE);
}

XcFunctional broadcast_functional() {
  XcFunctional f{};
  if (is_master) f = xc_store_read();
  mp_bcast(&f, sizeof f, MP_BYTE);
  return f;
}

std::span<double> part(PoolArray<double>& a, std::int64_t first, std::int64_t n) {
  return {a.data() + first, static_cast<std::size_t>(n)};
}

// The records every pass starts from: molecule, basis and its evaluation view, grid.
struct PassSetup {
  Molecule mol;
  Basis basis;
  BasisShells shells;
  Grid grid;
  PassSetup(const char* basis_name)
      : mol(load_molecule(1, "Molecule")),
        basis(load_basis(1, basis_name, mol)),
        shells(basis_shells(basis)),
        grid(grid_read(1)) {}
  ~PassSetup() {
    grid_release(grid);
    release_basis_shells(shells);
    release_basis(basis);
    release_molecule(mol);
  }
  GridSystem system() const { return {mol.n_atoms, mol.xyz, &shells.set}; }
};

// Energy passes: the grid in use ("grid_fine": final, else coarse) with its stored weights,
// and the block plan over it; run(input, spins) then sums nothing itself.
template <class Run>
void energy_pass(const char* basis_name, const XcFunctional& f, Run run) {
  PassSetup setup(basis_name);
  const int k = broadcast_int(rec::grid_fine) ? GRID_FINAL : GRID_COARSE;
  PoolArray<double> weights(std::max(setup.grid.n_points[k], 1));
  broadcast_array(k == GRID_FINAL ? rec::grid_W : rec::grid_W1, part(weights, 0, setup.grid.n_points[k]));
  const int spins = broadcast_int(rec::closed) ? 1 : 2;
  XcBlockPlan plan = xc_block_plan(setup.grid, k, setup.mol.xyz, weights.data());
  const XcPassInput in{&plan, setup.system(), &f, setup.grid.cutoff[k], setup.grid.small[k], spins};
  run(in);
  xc_block_plan_release(plan);
}

void gradient_pass(bool orbital) {
  PassSetup setup(orbital ? "Basis" : "Basis2");
  const XcFunctional f = broadcast_functional();
  const bool closed = broadcast_int(rec::closed);
  const Basis& basis = setup.basis;
  const int n_atoms = setup.mol.n_atoms;
  const std::int64_t n = basis.n_functions;
  const std::int64_t size = orbital ? n * (n + 1) / 2 : n;
  PoolArray<double> density(2 * size);
  PoolArray<double> weights(setup.grid.n_points[GRID_FINAL]), grad(3L * n_atoms);
  broadcast_array(orbital ? rec::Da : rec::da, part(density, 0, size));
  if (!closed) broadcast_array(orbital ? rec::Db : rec::db, part(density, size, size));
  broadcast_array(rec::grid_W, weights.span());
  std::fill(grad.begin(), grad.end(), 0.0);
  CellPartition cells = cell_partition(n_atoms, setup.mol.xyz, setup.mol.z);
  GridSystem system = setup.system();
  system.cells = &cells;
  const XcGradientInput in{&setup.grid, GRID_FINAL, system, &f, weights.data(), true};
  const double* beta = closed ? nullptr : density.data() + size;
  if (orbital)
    xc_gradient_orbital_terms(in, density.data(), beta, grad.data());
  else
    xc_gradient_fitted_terms(in, density.data(), beta, grad.data());
  cell_partition_release(cells);
  mp_sum(grad.data(), 3L * n_atoms, MP_DOUBLE);
  if (!is_master) return;
  PoolArray<double> total_grad(3L * n_atoms);
  record_read(rec::Gradient, total_grad.span());
  for (int i = 0; i < 3 * n_atoms; ++i) total_grad[i] += grad[i];
  record_write(rec::Gradient, std::span<const double>(total_grad.span()));
}

}  // namespace

void xc_fitted_pass() {
  timer("Numerical Integration", '-');
  const XcFunctional f = broadcast_functional();
  energy_pass("Basis2", f, [&](const XcPassInput& in) {
    const std::int64_t nfit = in.system.basis->n_functions;
    PoolArray<double> coef(2 * nfit), out(2 * nfit + 2);
    const Record<double> names[2] = {rec::da, rec::db};
    for (int s = 0; s < in.spins; ++s) broadcast_array(names[s], part(coef, s * nfit, nfit));
    std::fill(out.begin(), out.end(), 0.0);
    const double* c[2] = {coef.data(), coef.data() + nfit};
    double* const potential[2] = {out.data(), out.data() + nfit};
    const XcEnergies e = xc_fitted_terms(in, c, potential);
    out[2 * nfit] = e.ex;
    out[2 * nfit + 1] = e.ec;
    mp_sum(out.data(), 2 * nfit + 2, MP_DOUBLE);
    if (!is_master) return;
    record_put(rec::Ex, out[2 * nfit]);
    record_put(rec::Ec, out[2 * nfit + 1]);
    record_write(rec::fa, out.data(), nfit);
    record_write(rec::fb, out.data() + (in.spins == 1 ? 0 : nfit), nfit);
  });
  timer("Numerical Integration", '+');
}

void xc_orbital_pass() {
  timer("Numerical Integration", '-');
  const XcFunctional f = broadcast_functional();
  energy_pass("Basis", f, [&](const XcPassInput& in) {
    const std::int64_t nbf = in.system.basis->n_functions;
    const std::int64_t tri = nbf * (nbf + 1) / 2;
    PoolArray<double> density(in.spins * tri), matrix(in.spins * tri + 2);
    const Record<double> dnames[2] = {rec::Da, rec::Db};
    for (int s = 0; s < in.spins; ++s) broadcast_array(dnames[s], part(density, s * tri, tri));
    std::fill(matrix.begin(), matrix.end(), 0.0);
    const double* d[2] = {density.data(), density.data() + (in.spins - 1) * tri};
    double* const v[2] = {matrix.data(), matrix.data() + (in.spins - 1) * tri};
    const XcEnergies e = xc_orbital_terms(in, d, v);
    matrix[in.spins * tri] = e.ex;
    matrix[in.spins * tri + 1] = e.ec;
    mp_sum(matrix.data(), in.spins * tri + 2, MP_DOUBLE);
    if (!is_master) return;
    // The Fock matrices take the sums; the density array is free for reading them.
    const Record<double> fnames[2] = {rec::Fa, rec::Fb};
    for (int s = 0; s < 2; ++s) {
      if (s == 1 && in.spins == 1 && !record_exists(rec::Fb)) break;
      const std::span<double> fock = part(density, 0, tri);
      record_read(fnames[s], fock);
      for (std::int64_t i = 0; i < tri; ++i) fock[i] += v[in.spins == 1 ? 0 : s][i];
      record_write(fnames[s], fock.data(), tri);
    }
    record_put(rec::Ex, matrix[in.spins * tri]);
    record_put(rec::Ec, matrix[in.spins * tri + 1]);
  });
  timer("Numerical Integration", '+');
}

void xc_kernel_pass() {
  timer("Ex. - Corr.  Response", '-');
  XcFunctional f = broadcast_functional();
  if (broadcast_int(rec::d2loc)) f = xc_slater_only(f);
  const int n = broadcast_int(rec::ND1);
  energy_pass("Basis2", f, [&](const XcPassInput& in) {
    const std::int64_t nfit = in.system.basis->n_functions, block = n * nfit;
    PoolArray<double> coef(2 * nfit), coef1(2 * block), out(2 * block);
    const Record<double> names[2] = {rec::da, rec::db};
    const Record<double> names1[2] = {rec::da1, rec::db1};
    for (int s = 0; s < in.spins; ++s) {
      broadcast_array(names[s], part(coef, s * nfit, nfit));
      broadcast_array(names1[s], part(coef1, s * block, block));
    }
    std::fill(out.begin(), out.end(), 0.0);
    const double* c[2] = {coef.data(), coef.data() + nfit};
    const double* c1[2] = {coef1.data(), coef1.data() + block};
    double* const response[2] = {out.data(), out.data() + block};
    // A Newton step keeps the ground state's second derivatives in this node's "xc.d2"
    // (first value: 1 once filled) for the passes of its later directions.
    // The cache is read into work memory: without room for it (half of what is left, the
    // rest for the kernel's blocks) the derivatives are formed again for each direction.
    const std::int64_t need = 1 + xc_kernel_values(in.spins) * xc_plan_points(*in.plan);
    const bool cached = record_exists(rec::xc_d2) && record_count(rec::xc_d2) >= need &&
                        8 * need <= pool_available() / 2;
    PoolArray<double> d2(cached ? need : 1);
    XcKernelCache cache{d2.data() + 1, false};
    if (cached) {
      record_read(rec::xc_d2, d2.data(), 1);
      cache.filled = d2[0] == 1.0;
      if (cache.filled) record_read(rec::xc_d2, d2.data(), need);
    }
    timer("Numerical Integration", '-');
    xc_kernel_terms(in, c, n, c1, response, cached ? &cache : nullptr);
    timer("Numerical Integration", '+');
    if (cached && !cache.filled) {
      d2[0] = 1.0;
      record_write(rec::xc_d2, d2.data(), need);
    }
    mp_sum(out.data(), 2 * block, MP_DOUBLE);
    if (!is_master || block == 0) return;
    record_write(rec::fa1, out.data(), block);
    record_write(rec::fb1, out.data() + (in.spins == 1 ? 0 : block), block);
  });
  timer("Ex. - Corr.  Response", '+');
}

void xc_gradient_orbital() { gradient_pass(true); }
void xc_gradient_fitted() { gradient_pass(false); }

}  // namespace ostrel
