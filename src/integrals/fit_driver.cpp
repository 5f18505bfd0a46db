#include "integrals/fit_driver.hpp"

#include <cmath>
#include <cstdio>
#include <optional>

#include "integrals/basis_adapter.hpp"
#include "integrals/coulomb_fit.hpp"
#include "integrals/fit_cache.hpp"
#include "integrals/fit_setup.hpp"
#include "integrals/two_electron_coulomb.hpp"
#include "linalg/eigen_symmetric.hpp"
#include "linalg/multiply.hpp"
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

int fit_metric_inverse(const AtomSet& aux, double lambda_min, const char* metric_record,
                       const char* moments_record) {
  timer("Inversion of V-Matrix", '-');
  const int m = aux.first_function[aux.natom];
  const std::int64_t m2 = static_cast<std::int64_t>(m) * (m + 1) / 2;
  if (is_master) {
    PoolArray<double> s(4L * m);
    fit_moments(aux, s.data());
    record_save(Record<double>{moments_record}, s.data(), s.size());
  }
  PoolArray<double> v(m2);
  vec_set(m2, 0.0, v.data());
  fit_metric(Interaction::coulomb, aux, node_id, node_count, v.data());
  mp_sum(v.data(), m2, MP_DOUBLE);
  // The metric record holds V^-1, V^-1/2 and V, each packed.
  const Record<double> metric{metric_record};
  if (is_master) {
    record_ensure(metric, 3 * m2);
    record_write(metric, v.data(), m2, 2 * m2);
  }
  // The products on the master alone: their node-parallel form rounds differently with
  // the node count, which the fitted density would amplify by the metric's condition.
  PoolArray<double> vectors(is_master ? static_cast<std::int64_t>(m) * m : 1);
  PoolArray<double> values(m);
  eigen_symmetric(v.data(), vectors.data(), values.data(), m, true);  // v is destroyed
  int dropped = 0;
  if (is_master) {
    while (dropped < m && values[dropped] < lambda_min) ++dropped;
    const double vmax = m > 0 ? values[m - 1] : 0.0;
    std::printf(" vmax=%8.1e, vmin/vmax=%8.1e, M=%d\n", vmax, m > 0 ? values[0] / vmax : 0.0, dropped);
    const int kept = m - dropped;
    double* u = vectors.data() + static_cast<std::int64_t>(dropped) * m;
    double* lambda = values.data() + dropped;
    scale_vectors(m, kept, u, lambda, 1);  // lambda^-1/2
    // sum over kept u u^T: U is m x kept, stored column by column
    multiply_serial(u, u, v.data(), m, kept, m, 1, -1, 0, 1.0, 0.0);
    record_write(metric, v.data(), m2, 0);
    for (int j = 0; j < kept; ++j) lambda[j] = 1.0 / std::sqrt(lambda[j]);
    scale_vectors(m, kept, u, lambda, 1);  // now lambda^-1/4 overall
    multiply_serial(u, u, v.data(), m, kept, m, 1, -1, 0, 1.0, 0.0);
    record_write(metric, v.data(), m2, m2);
  }
  mp_bcast(&dropped, 1, MP_INT);
  timer("Inversion of V-Matrix", '+');
  return dropped;
}

namespace {

// "Molecule" with "Basis" and/or "Basis2" loaded on every node, with the integral views;
// pool blocks go back in reverse order.
class LoadedBases {
 public:
  LoadedBases(bool orbital, bool fitting) : mol_(load_molecule(1, "Molecule")) {
    if (orbital) {
      orb_basis_ = load_basis(1, "Basis", mol_);
      orb_.emplace(*orb_basis_, mol_);
    }
    if (fitting) {
      aux_basis_ = load_basis(1, "Basis2", mol_);
      aux_.emplace(*aux_basis_, mol_);
    }
  }
  ~LoadedBases() {
    aux_.reset();
    if (aux_basis_) release_basis(*aux_basis_);
    orb_.reset();
    if (orb_basis_) release_basis(*orb_basis_);
    release_molecule(mol_);
  }
  LoadedBases(const LoadedBases&) = delete;
  LoadedBases& operator=(const LoadedBases&) = delete;

  const Molecule& molecule() const { return mol_; }
  const AtomSet& orb() const { return orb_->atoms; }
  const AtomSet& aux() const { return aux_->atoms; }
  const Basis& aux_basis() const { return *aux_basis_; }
  int n() const { return orb_basis_->n_functions; }
  int m() const { return aux_basis_->n_functions; }

 private:
  Molecule mol_;
  std::optional<Basis> orb_basis_, aux_basis_;
  std::optional<BasisViews> orb_, aux_;
};

void write_shell_offsets(const char* name, const Basis& aux) {
  if (name && is_master) record_save(Record<int>{name}, aux.shell_first_function, aux.n_shells + 1);
}

// This node's atom pairs from the set-up tables; the arrays live in the pool.
struct NodePairs {
  explicit NodePairs(int natom) : groups(natom), lists(static_cast<std::int64_t>(natom) * natom), own(natom) {
    if (is_master) {
      record_read(rec::ri_groups, groups.span());
      record_read(rec::ri_pairs, lists.span());
    }
    mp_bcast(groups.data(), groups.size(), MP_INT);
    mp_bcast(lists.data(), lists.size(), MP_INT);
    pairs = FitPairs{own.data(), group_members(natom, groups.data(), node_id, own.data()), lists.data()};
  }
  PoolArray<int> groups, lists, own;
  FitPairs pairs;
};

}  // namespace

int fit_metric_step(double lambda_min, const char* metric_record, const char* moments_record,
                    const char* offsets_record) {
  LoadedBases b(false, true);
  write_shell_offsets(offsets_record, b.aux_basis());
  return fit_metric_inverse(b.aux(), lambda_min, metric_record, moments_record);
}

void fit_setup_step(double epsilon, bool two_centre_fit, const char* offsets_record) {
  LoadedBases b(true, true);
  write_shell_offsets(offsets_record, b.aux_basis());
  const int natom = b.molecule().n_atoms;
  PoolArray<int> groups(natom), lists(static_cast<std::int64_t>(natom) * natom);
  const FitSetupRecords records{kFitEstimatesRecord, kFitGroupsRecord, kFitPairListsRecord,
                                two_centre_fit ? kFitHeaderRecord : nullptr,
                                two_centre_fit ? kFitBlocksRecord : nullptr};
  fit_setup(b.orb(), b.aux(), b.molecule().xyz, epsilon, two_centre_fit, records, groups.data(), lists.data());
}

void fit_cache_reserve_step(double epsilon, std::int64_t later_bytes) {
  int have = is_master ? record_exists(rec::Basis2) : 0;
  mp_bcast(&have, 1, MP_INT);
  if (!have) return;
  LoadedBases b(true, true);
  fit_cache_reserve(b.orb(), b.m(), epsilon, later_bytes);
}

void fit_projection_step(Interaction kind, double epsilon, int nd, const char* const* densities,
                    const char* gamma_record, double* counts) {
  const char* name = kind == Interaction::coulomb ? "Coulomb-type Integrals" : "Overlap-type Integrals";
  timer(name, '-');
  {
    LoadedBases b(true, true);
    const NodePairs p(b.molecule().n_atoms);
    const std::int64_t n2 = packed_size(static_cast<std::int64_t>(b.n()));
    const int m = b.m();
    PoolArray<double> d(nd * n2), gamma(static_cast<std::int64_t>(nd) * m), count(nd);
    if (is_master)
      for (int k = 0; k < nd; ++k) record_read(Record<double>{densities[k]}, d.data() + k * n2, n2);
    mp_bcast(d.data(), d.size(), MP_DOUBLE);
    vec_set(gamma.size(), 0.0, gamma.data());
    vec_set(nd, 0.0, count.data());
    const bool overlap = kind == Interaction::overlap;
    PoolArray<int> rest(p.lists.size());
    // The fitted density amplifies rounding in gamma by the metric's condition (1e7 for
    // caffeine), enough to move the exchange-correlation energy by 1e-8. Per-atom sums, each
    // made by one node and added in atom order, give the same gamma on any number of nodes.
    const int natom = b.molecule().n_atoms;
    const std::int64_t stride = gamma.size(), rows = stride * natom;
    int by_atom = 8 * rows <= pool_available() / 4;  // all nodes must agree
    mp_min(&by_atom, 1, MP_INT);
    mp_bcast(&by_atom, 1, MP_INT);
    PoolArray<double> per_atom(by_atom ? rows : 1);
    double* sums = by_atom ? per_atom.data() : gamma.data();
    if (by_atom) vec_set(rows, 0.0, sums);
    const std::int64_t row = by_atom ? stride : 0;
    if (!overlap && fit_cache_prepare(b.orb(), b.aux(), b.molecule().xyz, p.pairs, epsilon, rest.data()))
      fit_cache_projection(b.orb(), m, p.pairs, epsilon, nd, d.data(), sums, row);
    const FitPairs direct = overlap ? p.pairs : FitPairs{p.pairs.atoms, p.pairs.count, rest.data()};
    fit_projection(kind, b.orb(), b.aux(), direct, epsilon, nd, d.data(), sums, overlap ? count.data() : nullptr,
                   row);
    if (by_atom) {
      mp_sum(sums, rows, MP_DOUBLE);
      for (int a = 0; a < natom && is_master; ++a) vec_axpy(stride, 1.0, sums + a * stride, gamma.data());
    } else {
      mp_sum(gamma.data(), gamma.size(), MP_DOUBLE);
    }
    if (is_master) record_save(Record<double>{gamma_record}, gamma.data(), gamma.size());
    if (overlap && counts) {
      mp_sum(count.data(), nd, MP_DOUBLE);
      mp_bcast(count.data(), nd, MP_DOUBLE);
      vec_copy(nd, count.data(), counts);
    }
  }
  timer(name, '+');
}

double fit_density_step(int nd, const char* gamma_record, const char* const* coefficients,
                        const char* metric_record, double* residuals) {
  static const char* const kDefault[3] = {"da", "db", "d"};
  if (!coefficients) coefficients = kDefault;
  if (nd < 1 || nd > 2) fatal_error("\n %d: %d densities to fit?\n", node_id, nd);
  timer("Density Fit", '-');
  int m = 0;
  if (is_master) m = record_get(rec::Nfit);
  double energy = 0.0;
  if (is_master) {
    const std::int64_t m2 = packed_size(static_cast<std::int64_t>(m));
    PoolArray<double> vinv(m2), gamma(2L * m), c(3L * m);
    record_read(Record<double>{metric_record}, vinv.span());
    record_read(Record<double>{gamma_record}, gamma.data(), std::int64_t{nd} * m);
    if (nd == 1) vec_copy(m, gamma.data(), gamma.data() + m);
    for (int s = 0; s < nd; ++s)
      matrix_times_vector(m, vinv.data(), 0, gamma.data() + s * m, c.data() + s * m, 1.0, 0.0);
    if (nd == 1) vec_copy(m, c.data(), c.data() + m);
    vec_copy(m, c.data(), c.data() + 2 * m);
    vec_axpy(m, 1.0, c.data() + m, c.data() + 2 * m);
    PoolArray<double> vd(m);
    double* metric = vinv.data();  // V^-1 is done with; its room takes V
    record_read(Record<double>{metric_record}, metric, m2, 2 * m2);
    for (int s = 0; s < 2 && residuals; ++s) {
      vec_copy(m, gamma.data() + s * m, residuals + s * m);
      matrix_times_vector(m, metric, 0, c.data() + s * m, residuals + s * m, -1.0, 1.0);
    }
    vec_axpy(m, 1.0, gamma.data() + m, gamma.data());  // t = gamma_alpha + gamma_beta
    // t.d - d.V d/2 rather than t.d/2: equal for the exact d, but the rounding error of d
    // (V^-1 has large elements) enters only to second order. The plain form jittered by
    // several 1e-9 hartree between nearly equal densities and stalled tight SCF runs.
    const double* total = c.data() + 2 * m;
    matrix_times_vector(m, metric, 0, total, vd.data(), 1.0, 0.0);
    energy = vec_dot(m, gamma.data(), total) - 0.5 * vec_dot(m, vd.data(), total);
    for (int s = 0; s < 3; ++s) record_save(Record<double>{coefficients[s]}, c.data() + s * m, m);
  }
  mp_bcast(&energy, 1, MP_DOUBLE);
  timer("Density Fit", '+');
  return energy;
}

void fit_assembly_step(double epsilon, int nd, const char* const* coefficients, const char* const* matrices,
                      bool add) {
  timer("Coulomb-type Integrals", '-');
  {
    LoadedBases b(true, true);
    const NodePairs p(b.molecule().n_atoms);
    const std::int64_t n2 = packed_size(static_cast<std::int64_t>(b.n()));
    const int m = b.m();
    PoolArray<double> c(static_cast<std::int64_t>(nd) * m), j(nd * n2);
    if (is_master)
      for (int k = 0; k < nd; ++k) record_read(Record<double>{coefficients[k]}, c.data() + k * m, m);
    mp_bcast(c.data(), c.size(), MP_DOUBLE);
    vec_set(j.size(), 0.0, j.data());
    PoolArray<int> rest(p.lists.size());
    if (fit_cache_prepare(b.orb(), b.aux(), b.molecule().xyz, p.pairs, epsilon, rest.data()))
      fit_cache_assembly(b.orb(), m, p.pairs, epsilon, nd, c.data(), j.data());
    fit_assembly(Interaction::coulomb, b.orb(), b.aux(), FitPairs{p.pairs.atoms, p.pairs.count, rest.data()}, epsilon,
                 nd, c.data(), j.data());
    mp_sum(j.data(), j.size(), MP_DOUBLE);
    if (is_master) {
      PoolArray<double> old(n2);
      for (int k = 0; k < nd; ++k) {
        double* jk = j.data() + k * n2;
        if (add) {
          record_read(Record<double>{matrices[k]}, old.span());
          vec_axpy(n2, 1.0, old.data(), jk);
        }
        record_save(Record<double>{matrices[k]}, jk, n2);
      }
    }
  }
  timer("Coulomb-type Integrals", '+');
}

double exact_coulomb_step(double epsilon, const char* density, const char* matrix, bool add) {
  timer("Coulomb Matrix", '-');
  double energy = 0.0;
  {
    LoadedBases b(true, false);
    const int n = b.n();
    const std::int64_t n2 = packed_size(static_cast<std::int64_t>(n));
    PoolArray<double> d(n2), j(n2);
    if (is_master) record_read(Record<double>{density}, d.span());
    mp_bcast(d.data(), n2, MP_DOUBLE);
    vec_set(n2, 0.0, j.data());
    coulomb_matrix_exact(b.orb(), epsilon, d.data(), node_id, node_count, j.data());
    mp_sum(j.data(), n2, MP_DOUBLE);
    if (is_master) {
      energy = 0.5 * trace_product(n, d.data(), j.data());
      if (add) {
        record_read(Record<double>{matrix}, d.span());
        vec_axpy(n2, 1.0, d.data(), j.data());
      }
      record_save(Record<double>{matrix}, j.data(), n2);
    }
    mp_bcast(&energy, 1, MP_DOUBLE);
  }
  timer("Coulomb Matrix", '+');
  return energy;
}

}  // namespace ostrel
