#include "scf/procedure/scf_overlap_fit.hpp"

#include <cstdint>

#include "integrals/basis_adapter.hpp"
#include "integrals/coulomb_fit.hpp"
#include "integrals/fit_driver.hpp"
#include "integrals/fit_setup.hpp"
#include "linalg/small_solvers.hpp"
#include "linalg/vector_ops.hpp"
#include "model/basis_record.hpp"
#include "model/molecule_record.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/timer.hpp"

namespace ostrel {

void scf_overlap_metric_inverse() {
  timer("Inversion of S-Matrix", '-');
  Molecule mol = load_molecule(1, "Molecule");
  Basis aux = load_basis(1, "Basis2", mol);
  {
    BasisViews views(aux, mol);
    const std::int64_t m = aux.n_functions, m2 = packed_size(m);
    PoolArray<double> metric(m2);
    vec_set(m2, 0.0, metric.data());
    fit_metric(Interaction::overlap, views.atoms, node_id, node_count, metric.data());
    mp_sum(metric.data(), m2, MP_DOUBLE);
    if (is_master) {
      if (ldlt_factor(metric.data(), static_cast<int>(m)) >= 0)
        fatal_error("\n %d: the overlap metric of the fitting basis is singular\n", node_id);
      PoolArray<double> unit(m * m), inverse(m2), s(m), p(m);
      vec_set(m * m, 0.0, unit.data());
      for (std::int64_t k = 0; k < m; ++k) unit[k * m + k] = 1.0;
      ldlt_solve(metric.data(), static_cast<int>(m), unit.data(), static_cast<int>(m));
      for (std::int64_t i = 0; i < m; ++i)
        for (std::int64_t j = 0; j <= i; ++j) inverse[packed_index(i, j)] = 0.5 * (unit[i * m + j] + unit[j * m + i]);
      record_read(rec::s, s.data(), m);
      matrix_times_vector(static_cast<int>(m), inverse.data(), 0, s.data(), p.data(), 1.0, 0.0);
      record_write(rec::invA, inverse.data(), m2);
      record_write(rec::p, p.data(), m);
    }
  }
  release_basis(aux);
  release_molecule(mol);
  timer("Inversion of S-Matrix", '+');
}

void scf_overlap_assembly(double epsilon, int nd, const char* const* coefficients, const double* u,
                          const char* const* matrices) {
  timer("Overlap-type Integrals", '-');
  Molecule mol = load_molecule(1, "Molecule");
  Basis orb = load_basis(1, "Basis", mol);
  Basis aux = load_basis(1, "Basis2", mol);
  {
    BasisViews orb_views(orb, mol), aux_views(aux, mol);
    const int natom = mol.n_atoms;
    PoolArray<int> groups(natom), lists(static_cast<std::int64_t>(natom) * natom), own(natom);
    if (is_master) {
      record_read(rec::ri_groups, groups.data(), natom);
      record_read(rec::ri_pairs, lists.span());
    }
    mp_bcast(groups.data(), natom, MP_INT);
    mp_bcast(lists.data(), lists.size(), MP_INT);
    const FitPairs pairs{own.data(), group_members(natom, groups.data(), node_id, own.data()), lists.data()};
    const std::int64_t m = aux.n_functions, n2 = packed_size(std::int64_t{orb.n_functions});
    PoolArray<double> c(nd * m), mult(nd), f(nd * n2), old(n2);
    if (is_master) {
      for (int d = 0; d < nd; ++d) record_read(Record<double>{coefficients[d]}, c.data() + d * m, m);
      vec_copy(nd, u, mult.data());
    }
    mp_bcast(c.data(), c.size(), MP_DOUBLE);
    mp_bcast(mult.data(), nd, MP_DOUBLE);
    vec_set(f.size(), 0.0, f.data());
    fit_assembly(Interaction::overlap, orb_views.atoms, aux_views.atoms, pairs, epsilon, nd, c.data(), f.data(),
                 mult.data());
    mp_sum(f.data(), f.size(), MP_DOUBLE);
    if (is_master)
      for (int d = 0; d < nd; ++d) {
        record_read(Record<double>{matrices[d]}, old.data(), n2);
        vec_axpy(n2, 1.0, old.data(), f.data() + d * n2);
        record_write(Record<double>{matrices[d]}, f.data() + d * n2, n2);
      }
  }
  release_basis(aux);
  release_basis(orb);
  release_molecule(mol);
  timer("Overlap-type Integrals", '+');
}

}  // namespace ostrel
