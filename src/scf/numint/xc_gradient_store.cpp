// The exchange-correlation gradient passes over the store records of a converged SCF.
#include <cstdint>

#include "linalg/vector_ops.hpp"
#include "model/basis_record.hpp"
#include "model/molecule_record.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"
#include "scf/numint/basis_eval_shells.hpp"
#include "scf/numint/xc_gradient.hpp"

namespace ostrel {
namespace {

void broadcast_record(const char* name, double* data, std::int64_t n) {
  if (is_master) store_read(name, 0, data, 8 * n);
  mp_bcast(data, n, MP_DOUBLE);
}

int broadcast_int(const char* name) {
  int value = is_master ? store_get<int>(name) : 0;
  mp_bcast(&value, 1, MP_INT);
  return value;
}

// Adds this node's term, summed over the nodes, to "Gradient" on the master.
void add_to_gradient(int n_atoms, double* grad) {
  mp_sum(grad, 3L * n_atoms, MP_DOUBLE);
  if (!is_master) return;
  PoolArray<double> g(3L * n_atoms);
  store_read("Gradient", 0, g.data(), 24L * n_atoms);
  vec_axpy(3L * n_atoms, 1.0, grad, g.data());
  store_write("Gradient", 0, g.data(), 24L * n_atoms);
}

void run_pass(bool orbital) {
  Molecule mol = load_molecule(1, "Molecule");
  Basis basis = load_basis(1, orbital ? "Basis" : "Basis2", mol);
  BasisShells view = basis_shells(basis);
  Grid grid = grid_read(1);
  {
    XcFunctional f{};
    if (is_master) f = xc_store_read();
    mp_bcast(&f, sizeof f, MP_BYTE);
    const int closed = broadcast_int("closed");
    const int n = basis.n_functions;
    const std::int64_t size = orbital ? std::int64_t{n} * (n + 1) / 2 : n;
    PoolArray<long> offsets(mol.n_atoms + 1);
    long total = 0;
    for (int a = 0; a < mol.n_atoms; ++a) {
      const long na = basis.atom_first_function[a + 1] - basis.atom_first_function[a];
      offsets[a] = total;
      total += orbital ? na * (na + 1) / 2 : 0;
    }
    PoolArray<double> da(size), db(closed ? 1 : size);
    PoolArray<double> atomic(orbital ? total : n);
    PoolArray<double> weights(grid.n_points[GRID_FINAL]);
    PoolArray<double> grad(3L * mol.n_atoms);
    broadcast_record(orbital ? "Da" : "da", da.data(), size);
    if (!closed) broadcast_record(orbital ? "Db" : "db", db.data(), size);
    broadcast_record(orbital ? "atomic_D" : "atomic_d", atomic.data(), atomic.size());
    broadcast_record("grid_W", weights.data(), weights.size());
    vec_set(grad.size(), 0.0, grad.data());
    const GridPartition part = orbital ? GridPartition{nullptr, atomic.data(), offsets.data()}
                                       : GridPartition{atomic.data(), nullptr, nullptr};
    const XcGradientInput in{&grid, GRID_FINAL, GridSystem{mol.n_atoms, mol.xyz, &view.set},
                             part, &f, weights.data(), true};
    const double* beta = closed ? nullptr : db.data();
    if (orbital)
      xc_gradient_orbital_terms(in, da.data(), beta, grad.data());
    else
      xc_gradient_fitted_terms(in, da.data(), beta, grad.data());
    add_to_gradient(mol.n_atoms, grad.data());
  }
  grid_release(grid);
  release_basis_shells(view);
  release_basis(basis);
  release_molecule(mol);
}

}  // namespace

void xc_gradient_orbital() { run_pass(true); }
void xc_gradient_fitted() { run_pass(false); }

}  // namespace ostrel
