#include "scf/procedure/scf_response.hpp"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "integrals/fit_driver.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "scf/numint/xc_passes.hpp"
#include "scf/procedure/scf_overlap_fit.hpp"
#include "scf/procedure/scf_state.hpp"

namespace ostrel {
namespace {

struct ResponseSettings {
  double cut;
  int use_d1;
  int grid;
  int use_d2exc;
  int grid_spare;
  int n;  // "ND1"
  int created;
  int d2svs;
  int n3fit;
};

int int_or(const char* name, int fallback) { return record_get_or(Record<int>{name}, fallback); }

ResponseSettings read_settings() {
  ResponseSettings o{};
  if (is_master) {
    o.cut = record_field(rec::cutij, &IntegralCutoffs::pair);
    o.use_d1 = int_or("useD1", 0);
    o.grid = int_or("grid", 0);
    o.use_d2exc = int_or("use_d2Exc", 0);
    o.grid_spare = int_or("grid_spare", 1);
    o.n = record_get(rec::ND1);
    o.d2svs = int_or("d2svs", 1);
    o.n3fit = int_or("N3fit", 0);
    // The second Fock-evaluation counter, when the record has room for it.
    if (record_count(rec::NevalF) >= 1)
      record_set_field(rec::NevalF, &FockCounts::first_order, record_field(rec::NevalF, &FockCounts::first_order) + 1);
  }
  mp_bcast(&o, sizeof o, MP_BYTE);
  return o;
}

// Names of temporary records, one per perturbation and spin.
struct TempNames {
  TempNames(const char* stem, int count) : count(count) {
    for (int k = 0; k < count; ++k) {
      std::snprintf(text[k], sizeof text[k], "%s%d", stem, k);
      names[k] = text[k];
    }
  }
  void free_all() const {
    for (int k = count - 1; k >= 0; --k) store_free(names[k]);
  }
  static constexpr int kMax = 64;
  char text[kMax][16];
  const char* names[kMax];
  int count;
};

// Perturbed densities D1 = C_occ C1^T + C1 C_occ^T (packed) into the records `names`.
void perturbed_densities(const ScfShape& sh, const ResponseSettings& o, const TempNames& names) {
  const bool here = is_master;
  const int n = sh.n;
  const std::int64_t t = sh.packed(), nn = sh.square();
  const int spins = sh.closed ? 1 : 2;
  PoolArray<double> c(here ? nn : 1), c1(here ? nn : 1), a(here ? nn : 1), d(here ? t : 1);
  for (int spin = 0; spin < spins; ++spin) {
    const int nocc = spin == 0 ? sh.na : sh.nb;
    if (here && !o.use_d1) scf_read(spin == 0 ? "Ca" : "Cb", c.data(), nn);
    for (int k = 0; k < o.n; ++k) {
      const char* name = names.names[spin * o.n + k];
      if (o.use_d1) {
        if (here) {
          scf_read(spin == 0 ? "Da1" : "Db1", d.data(), t, k * t);
          scf_write(name, d.data(), t);
        }
        continue;
      }
      if (here) scf_read(spin == 0 ? "Ca1" : "Cb1", c1.data(), std::int64_t{n} * nocc, std::int64_t{k} * n * nocc);
      scf_gemm(n, n, nocc, 1.0, c.data(), kN, c1.data(), kT, 0.0, a.data());
      if (here) {
        for (int i = 0; i < n; ++i)
          for (int j = 0; j <= i; ++j)
            d[packed_index(i, j)] = a[i + std::int64_t{j} * n] + a[j + std::int64_t{i} * n];
        scf_write(name, d.data(), t);
      }
    }
  }
}

// "fa1" ("fb1") from the stored fit-basis kernel matrices.
void stored_kernel(const ScfShape& sh, int count) {
  const std::int64_t m = sh.nfit, m2 = packed_size(m);
  PoolArray<double> faa(m2), fbb(sh.closed ? 1 : m2), fab(sh.closed ? 1 : m * m), a(m), b(m), f(m);
  scf_read("faa", faa.data(), m2);
  if (!sh.closed) {
    scf_read("fbb", fbb.data(), m2);
    scf_read("fab", fab.data(), m * m);
  }
  for (int k = 0; k < count; ++k) {
    scf_read("da1", a.data(), m, k * m);
    scf_read("db1", b.data(), m, k * m);
    matrix_times_vector(sh.nfit, faa.data(), 0, a.data(), f.data(), 1.0, 0.0);
    if (!sh.closed) matrix_times_vector(sh.nfit, fab.data(), 1, b.data(), f.data(), 1.0, 1.0);
    scf_write("fa1", f.data(), m, k * m);
    if (!sh.closed) {
      matrix_times_vector(sh.nfit, fbb.data(), 0, b.data(), f.data(), 1.0, 0.0);
      matrix_times_vector(sh.nfit, fab.data(), -1, a.data(), f.data(), 1.0, 1.0);
    }
    scf_write("fb1", f.data(), m, k * m);
  }
}

// Overlap-metric fit of the perturbed densities, each keeping its own electron count:
// "da1", "db1"; unless "d2svs" is set also the spin sums of their Coulomb projections, "v1".
void overlap_response_fit(const ScfShape& sh, const ResponseSettings& o, const TempNames& densities) {
  const int nd = densities.count;
  const std::int64_t m = sh.nfit;
  PoolArray<double> counts(nd);
  fit_projection_step(Interaction::overlap, o.cut, nd, densities.names, "scf.t1", counts.data());
  if (!o.d2svs) fit_projection_step(Interaction::coulomb, o.cut, nd, densities.names, "scf.v1");
  if (!is_master) return;
  PoolArray<double> ts(nd * m), tj(o.d2svs ? 1 : nd * m), inv(packed_size(m)), s(m), p(m), c(m), v(m);
  if (!o.d2svs) {
    scf_read("scf.v1", tj.data(), nd * m);
    store_free("scf.v1");
  }
  scf_read("scf.t1", ts.data(), nd * m);
  store_free("scf.t1");
  densities.free_all();
  scf_read("invA", inv.data(), inv.size());
  scf_read("s", s.data(), m);
  scf_read("p", p.data(), m);
  const double sp = vec_dot(m, s.data(), p.data());
  for (int j = 0; j < nd; ++j) {
    matrix_times_vector(sh.nfit, inv.data(), 0, ts.data() + j * m, c.data(), 1.0, 0.0);
    vec_axpy(m, (counts[j] - vec_dot(m, s.data(), c.data())) / sp, p.data(), c.data());
    const int k = j % o.n;
    if (j < o.n) scf_write("da1", c.data(), m, k * m);
    if (j >= o.n || sh.closed) scf_write("db1", c.data(), m, k * m);
  }
  if (!o.d2svs)
    for (int k = 0; k < o.n; ++k) {
      vec_copy(m, tj.data() + k * m, v.data());
      vec_axpy(m, 1.0, tj.data() + (sh.closed ? k : o.n + k) * m, v.data());
      scf_write("v1", v.data(), m, k * m);
    }
}

// Overlap-metric potentials of the response: the Coulomb part goes through the fitted
// total density d1 (into `totals`); the exchange-correlation kernel and the fit residual
// r1 = v1 - V d1 (taken as zero with "d2svs") through invA with the charge part u1 p
// split off (into `vectors` and `u`).
void overlap_response_potentials(const ScfShape& sh, const ResponseSettings& o, const TempNames& totals,
                                 const TempNames& vectors, double* u) {
  const std::int64_t m = sh.nfit, m2 = packed_size(m);
  const int nd = totals.count;
  PoolArray<double> inv(m2), metric(o.d2svs ? 1 : m2), s(m), p(m), a(m), r(m), x(m);
  PoolArray<double> b(nd * m), f(nd * m);
  scf_read("invA", inv.data(), m2);
  if (!o.d2svs) scf_read(kFitMetricRecord, metric.data(), m2, 2 * m2);
  scf_read("s", s.data(), m);
  scf_read("p", p.data(), m);
  const double sp = vec_dot(m, s.data(), p.data());
  for (int j = 0; j < nd; ++j) {
    const int k = j % o.n;
    double* bj = b.data() + j * m;
    double* fj = f.data() + j * m;
    scf_read("da1", a.data(), m, k * m);
    scf_read("db1", bj, m, k * m);
    vec_axpy(m, 1.0, a.data(), bj);
    vec_set(m, 0.0, r.data());
    if (!o.d2svs) {
      scf_read("v1", r.data(), m, k * m);
      matrix_times_vector(sh.nfit, metric.data(), 0, bj, r.data(), -1.0, 1.0);
    }
    scf_read(j < o.n ? "fa1" : "fb1", x.data(), m, k * m);
    vec_axpy(m, 1.0, r.data(), x.data());
    matrix_times_vector(sh.nfit, inv.data(), 0, x.data(), fj, 1.0, 0.0);
    u[j] = vec_dot(m, s.data(), fj) / sp;
    vec_axpy(m, -u[j], p.data(), fj);
  }
  // Temporary records in the order they are freed back.
  for (int j = 0; j < nd; ++j) scf_write(totals.names[j], b.data() + j * m, m);
  for (int j = 0; j < nd; ++j) scf_write(vectors.names[j], f.data() + j * m, m);
}

}  // namespace

void scf_response() {
  const ScfShape sh = scf_shape();
  ResponseSettings o = read_settings();
  if (sh.fit == 0) fatal_stop();
  const bool here = is_master;
  const int spins = sh.closed ? 1 : 2;
  const int nd = spins * o.n;
  if (nd > TempNames::kMax) fatal_error("\n %d: %d perturbed densities at once?\n", node_id, nd);
  const std::int64_t m = sh.nfit, t = sh.packed();
  if (here && !record_exists(rec::da1)) {
    o.created = 1;
    for (const auto r : {rec::da1, rec::db1, rec::fa1, rec::fb1, rec::v1}) record_alloc(r, o.n * m);
  }
  mp_bcast(&o.created, 1, MP_INT);

  const bool overlap = sh.fit == 'S';
  if (overlap && !o.n3fit) fatal_error("\n %d: the overlap-metric fit needs N3fit\n", node_id);
  // Fit of the perturbed densities: da1, db1 = invA times their Coulomb projections (or,
  // for the overlap metric, their overlap projections with the charge constraint).
  if (overlap) {
    const TempNames densities("scf.D1.", nd);
    perturbed_densities(sh, o, densities);
    overlap_response_fit(sh, o, densities);
  } else {
    const TempNames densities("scf.D1.", nd);
    perturbed_densities(sh, o, densities);
    fit_projection_step(Interaction::coulomb, o.cut, nd, densities.names, "scf.t1");
    if (here) {
      PoolArray<double> gamma(nd * m), inv(packed_size(m)), c(m);
      scf_read("scf.t1", gamma.data(), nd * m);
      store_free("scf.t1");
      densities.free_all();
      scf_read("invA", inv.data(), inv.size());
      for (int j = 0; j < nd; ++j) {
        matrix_times_vector(sh.nfit, inv.data(), 0, gamma.data() + j * m, c.data(), 1.0, 0.0);
        const int k = j % o.n;
        if (j < o.n) scf_write("da1", c.data(), m, k * m);
        if (j >= o.n || sh.closed) scf_write("db1", c.data(), m, k * m);
      }
    }
  }

  // Exchange-correlation kernel of the fitted density.
  if (o.use_d2exc) {
    if (here) stored_kernel(sh, o.n);
  } else if (o.grid != 0) {
    int fine = 0;
    if (here) {
      fine = record_get(rec::grid_fine);
      record_put(rec::grid_fine, o.grid_spare ? 0 : 1);
    }
    xc_kernel_pass();
    if (here) record_put(rec::grid_fine, fine);
  } else if (here) {
    PoolArray<double> zero(o.n * m);
    vec_set(zero.size(), 0.0, zero.data());
    scf_write("fa1", zero.data(), zero.size());
    scf_write("fb1", zero.data(), zero.size());
  }

  // f1_s = invA f1xc_s + da1 + db1, then the first-order Fock matrices.
  const TempNames totals("scf.c1.", overlap ? nd : 0), vectors("scf.f1.", nd), matrices("scf.F1.", nd);
  std::vector<double> multipliers(overlap ? nd : 0);
  if (overlap) {
    if (here) overlap_response_potentials(sh, o, totals, vectors, multipliers.data());
    fit_assembly_step(o.cut, nd, totals.names, matrices.names, false);
    scf_overlap_assembly(o.cut, nd, vectors.names, multipliers.data(), matrices.names);
  } else if (here) {
    PoolArray<double> inv(packed_size(m)), a(m), b(m), x(m), f(m);
    scf_read("invA", inv.data(), inv.size());
    for (int j = 0; j < nd; ++j) {
      const int k = j % o.n;
      scf_read("da1", a.data(), m, k * m);
      scf_read("db1", b.data(), m, k * m);
      scf_read(j < o.n ? "fa1" : "fb1", x.data(), m, k * m);
      vec_copy(m, a.data(), f.data());
      vec_axpy(m, 1.0, b.data(), f.data());
      matrix_times_vector(sh.nfit, inv.data(), 0, x.data(), f.data(), 1.0, 1.0);
      scf_write(vectors.names[j], f.data(), m);
    }
  }
  if (!overlap) fit_assembly_step(o.cut, nd, vectors.names, matrices.names, false);

  {
    const int n = sh.n;
    const std::int64_t nn = sh.square();
    PoolArray<double> f1(here ? t : 1), c(here ? nn : 1), fc(here ? nn : 1);
    for (int j = 0; j < nd; ++j) {
      const int spin = j < o.n ? 0 : 1, k = j % o.n;
      const int nocc = spin == 0 ? sh.na : sh.nb;
      if (here) scf_read(matrices.names[j], f1.data(), t);
      if (o.use_d1) {
        if (here) scf_write(spin == 0 ? "Fa1" : "Fb1", f1.data(), t, k * t);
        continue;
      }
      if (here && k == 0) scf_read(spin == 0 ? "Ca" : "Cb", c.data(), nn);
      scf_gemm(n, nocc, n, 1.0, f1.data(), kP, c.data(), kN, 0.0, fc.data());
      if (here) scf_write(spin == 0 ? "F1Ca" : "F1Cb", fc.data(), std::int64_t{n} * nocc, std::int64_t{k} * n * nocc);
    }
  }
  if (here) {
    matrices.free_all();
    vectors.free_all();
    totals.free_all();
    if (o.created)
      for (const char* name : {"v1", "fb1", "fa1", "db1", "da1"}) store_free(name);
  }
}

}  // namespace ostrel
