#include "scf/procedure/scf_fock_energy.hpp"

#include <cstdint>
#include <cstdio>

#include "integrals/fit_driver.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "scf/numint/xc_passes.hpp"
#include "scf/procedure/scf_grid_step.hpp"
#include "scf/procedure/scf_overlap_fit.hpp"
#include "scf/procedure/scf_state.hpp"

namespace ostrel {
namespace {

struct FockSettings {
  double cut;
  int grid;
  int grid_new;
  int iteration;
  int fitxc;
  int compare;
};

FockSettings read_settings() {
  FockSettings o{};
  if (is_master) {
    o.cut = record_field(rec::cutij, &IntegralCutoffs::pair);
    o.grid = record_get(rec::grid);
    o.grid_new = record_get(rec::grid_new);
    o.iteration = record_get(rec::scf_iter);
    o.fitxc = record_get(rec::fitxc);
    o.compare = record_get_or(rec::xc_compare, 0);
    if (o.compare) record_put(rec::xc_compare, 0);
    record_set_field(rec::NevalF, &FockCounts::fock, record_field(rec::NevalF, &FockCounts::fock) + 1);
  }
  mp_bcast(&o, sizeof o, MP_BYTE);
  return o;
}

// f_s = invA f_s + d: the exchange-correlation potential of the fit and the Coulomb
// potential of the fitted density in one fit vector per spin.
void potential_vectors(const ScfShape& sh) {
  const std::int64_t m = sh.nfit;
  PoolArray<double> inv(packed_size(m)), d(m), f(m), g(m);
  scf_read("invA", inv.data(), inv.size());
  scf_read("d", d.data(), m);
  for (const char* name : {"fa", "fb"}) {
    scf_read(name, f.data(), m);
    vec_copy(m, d.data(), g.data());
    matrix_times_vector(sh.nfit, inv.data(), 0, f.data(), g.data(), 1.0, 1.0);
    scf_write(name, g.data(), m);
  }
}

// Overlap-metric fit with each spin's electron count kept exactly: "da", "db", "d", the
// residual r = t - V d of the Coulomb projections t (master) and the fitted Coulomb energy.
double overlap_fit(const ScfShape& sh, double cut, int nd, double* r) {
  static const char* const kDensities[2] = {"Da", "Db"};
  fit_projection_step(Interaction::coulomb, cut, nd, kDensities, "scf.tJ");
  double counts[2] = {0.0, 0.0};
  fit_projection_step(Interaction::overlap, cut, nd, kDensities, "scf.tS", counts);
  double ej = 0.0;
  if (is_master) {
    const std::int64_t m = sh.nfit, m2 = packed_size(m);
    PoolArray<double> tj(2 * m), ts(2 * m), inv(m2), v(m2), s(m), p(m), d(3 * m);
    scf_read("scf.tJ", tj.data(), nd * m);
    scf_read("scf.tS", ts.data(), nd * m);
    store_free("scf.tS");
    store_free("scf.tJ");
    scf_read("invA", inv.data(), m2);
    scf_read(kFitMetricRecord, v.data(), m2, 2 * m2);
    scf_read("s", s.data(), m);
    scf_read("p", p.data(), m);
    const double sp = vec_dot(m, s.data(), p.data());
    for (int k = 0; k < nd; ++k) {
      double* dk = d.data() + k * m;
      matrix_times_vector(sh.nfit, inv.data(), 0, ts.data() + k * m, dk, 1.0, 0.0);
      vec_axpy(m, (counts[k] - vec_dot(m, s.data(), dk)) / sp, p.data(), dk);
    }
    if (nd == 1) {
      vec_copy(m, d.data(), d.data() + m);
      vec_copy(m, tj.data(), tj.data() + m);
    }
    vec_copy(m, d.data(), d.data() + 2 * m);
    vec_axpy(m, 1.0, d.data() + m, d.data() + 2 * m);
    vec_axpy(m, 1.0, tj.data() + m, tj.data());
    const double* total = d.data() + 2 * m;
    vec_copy(m, tj.data(), r);
    matrix_times_vector(sh.nfit, v.data(), 0, total, r, -1.0, 1.0);
    ej = 0.5 * vec_dot(m, tj.data(), total) + 0.5 * vec_dot(m, r, total);
    scf_write("da", d.data(), m);
    scf_write("db", d.data() + m, m);
    scf_write("d", total, m);
  }
  mp_bcast(&ej, 1, MP_DOUBLE);
  return ej;
}

// Overlap-fit potentials: f_s = invA (f_s + r) less its charge part u_s p ("ua", "ub").
void overlap_potentials(const ScfShape& sh, const double* r, double u[2]) {
  const std::int64_t m = sh.nfit;
  PoolArray<double> inv(packed_size(m)), s(m), p(m), f(m), g(m);
  scf_read("invA", inv.data(), inv.size());
  scf_read("s", s.data(), m);
  scf_read("p", p.data(), m);
  const double sp = vec_dot(m, s.data(), p.data());
  const char* names[2] = {"fa", "fb"};
  const char* multipliers[2] = {"ua", "ub"};
  for (int k = 0; k < 2; ++k) {
    scf_read(names[k], f.data(), m);
    vec_axpy(m, 1.0, r, f.data());
    matrix_times_vector(sh.nfit, inv.data(), 0, f.data(), g.data(), 1.0, 0.0);
    u[k] = vec_dot(m, s.data(), g.data()) / sp;
    vec_axpy(m, -u[k], p.data(), g.data());
    scf_write(names[k], g.data(), m);
    record_put(Record<double>{multipliers[k]}, u[k]);
  }
}

// The fitted coefficients d_s = V^-1 t_s carry the rounding of V^-1's large elements (about
// 1e-9 for caffeine), and the fitted exchange-correlation energy takes that to first order:
// densities equal but for their last bit (one process and two) gave energies 3e-9 apart.
// With the residuals r_s = t_s - V d_s this is Exc(V^-1 t) - Exc(d) to first order: the sum
// over spins of w_s . V^-1 r_s, where w_s are the potential's projections. After
// potential_vectors, "fa" and "fb" hold V^-1 w_s + d.
double fit_rounding_correction(const ScfShape& sh, const double* r) {
  const std::int64_t m = sh.nfit;
  PoolArray<double> f(m), d(m);
  scf_read("d", d.data(), m);
  double correction = 0.0;
  const char* names[2] = {"fa", "fb"};
  for (int k = 0; k < 2; ++k) {
    scf_read(names[k], f.data(), m);
    vec_axpy(m, -1.0, d.data(), f.data());
    correction += vec_dot(m, f.data(), r + k * m);
  }
  return correction;
}

double exchange_correlation() { return record_get(rec::Ex) + record_get(rec::Ec); }

}  // namespace

void scf_fock_energy() {
  const ScfShape sh = scf_shape();
  if (sh.fit == 0) fatal_stop();
  const FockSettings o = read_settings();
  const bool here = is_master;
  const std::int64_t t = sh.packed();
  const int nd = sh.closed ? 1 : 2;

  double e1 = 0.0;
  if (here) {
    PoolArray<double> d(t), h(t);
    scf_read("D", d.data(), t);
    scf_read("H0", h.data(), t);
    e1 = trace_product(sh.n, d.data(), h.data());
  }

  static const char* const kDensities[2] = {"Da", "Db"};
  const bool overlap = sh.fit == 'S';
  const bool fitted_xc = !overlap && o.fitxc != 0 && o.grid != 0;
  // The overlap fit's residual (m), or the Coulomb fits' residuals of both spins (2m).
  PoolArray<double> residual(here && (overlap || fitted_xc) ? 2 * sh.nfit : 1);
  double ej = 0.0;
  if (overlap) {
    ej = overlap_fit(sh, o.cut, nd, residual.data());
  } else {
    fit_projection_step(Interaction::coulomb, o.cut, nd, kDensities, "scf.tJ");
    ej = fit_density_step(nd, "scf.tJ", nullptr, kFitMetricRecord, here && fitted_xc ? residual.data() : nullptr);
    if (here) store_free("scf.tJ");
  }

  double exc_fit = 0.0;
  if (o.grid != 0) {
    scf_grid_prepare(o.grid_new != 0, o.iteration == 0 || o.grid_new != 0);
    // With the orbital density the fitted pass only measures the fit's error, which one
    // iteration on the final grid shows; every further one would double the grid work.
    if (o.fitxc != 0 || o.compare) {
      xc_fitted_pass();
      if (here) exc_fit = exchange_correlation();
    }
  } else if (here) {
    PoolArray<double> zero(sh.nfit);
    vec_set(sh.nfit, 0.0, zero.data());
    scf_write("fa", zero.data(), sh.nfit);
    scf_write("fb", zero.data(), sh.nfit);
    record_put(rec::Ex, 0.0);
    record_put(rec::Ec, 0.0);
  }
  double u[2] = {0.0, 0.0};
  if (here) {
    if (overlap)
      overlap_potentials(sh, residual.data(), u);
    else
      potential_vectors(sh);
    // The fit's error is the functional's; it goes with the exchange energy.
    if (fitted_xc) record_put(rec::Ex, record_get(rec::Ex) + fit_rounding_correction(sh, residual.data()));
  }

  if (here) {
    PoolArray<double> h(t);
    scf_read("H0", h.data(), t);
    scf_write("Fa", h.data(), t);
    scf_write("Fb", h.data(), t);
  }
  static const char* const kPotentials[2] = {"fa", "fb"};
  static const char* const kFock[2] = {"Fa", "Fb"};
  static const char* const kTotal[1] = {"d"};
  if (o.fitxc != 0 && overlap) {
    // Coulomb potential of the fitted density, then each spin's overlap-fit potential.
    fit_assembly_step(o.cut, 1, kTotal, kFock, true);
    if (here && !sh.closed) {
      PoolArray<double> f(t);
      scf_read("Fa", f.data(), t);
      scf_write("Fb", f.data(), t);
    }
    scf_overlap_assembly(o.cut, nd, kPotentials, u, kFock);
  } else if (o.fitxc != 0) {
    fit_assembly_step(o.cut, nd, kPotentials, kFock, true);
  } else {
    if (sh.fit == 'J') {
      fit_assembly_step(o.cut, 1, kTotal, kFock, true);
    } else {
      const double exact = exact_coulomb_step(o.cut, "D", "Fa", true);
      if (here) std::printf(" r(J)  =%14.10lf\n", ej - exact);
      ej = exact;
    }
  }
  if (here && (o.fitxc == 0 || sh.closed)) {
    PoolArray<double> f(t);
    scf_read("Fa", f.data(), t);
    scf_write("Fb", f.data(), t);
  }
  if (o.fitxc == 0 && o.grid != 0) {
    xc_orbital_pass();
    if (here && o.compare) std::printf(" r(xc) =%14.10lf\n", exc_fit - exchange_correlation());
  }

  if (here) {
    const double ex = record_get(rec::Ex), ec = record_get(rec::Ec);
    const double energy = e1 + record_get(rec::Enn) + ej + ex + ec;
    record_put(rec::EJ, ej);
    record_put(rec::ESCF, energy);
    record_put(rec::Energy, energy);
  }
}

}  // namespace ostrel
