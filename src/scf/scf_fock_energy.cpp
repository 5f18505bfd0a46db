#include <cstdint>
#include <cstdio>

#include "integrals/fit_driver.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"
#include "scf/scf_grid_step.hpp"
#include "scf/scf_state.hpp"
#include "scf/scf_steps.hpp"
#include "scf/xc_passes.hpp"

namespace ostrel {
namespace {

struct FockSettings {
  double cut;
  int grid;
  int grid_new;
  int iteration;
  int fitxc;
};

FockSettings read_settings() {
  FockSettings o{};
  if (is_master) {
    o.cut = store_get<double>("cutij");
    o.grid = store_get<int>("grid");
    o.grid_new = store_get<int>("grid_new");
    o.iteration = store_get<int>("scf_iter");
    o.fitxc = store_get<int>("fitxc");
    store_put("NevalF", store_get<int>("NevalF") + 1);
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

double exchange_correlation() { return store_get<double>("Ex") + store_get<double>("Ec"); }

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
  fit_projection_step(Interaction::coulomb, o.cut, nd, kDensities, "scf.tJ");
  double ej = fit_density_step(nd, "scf.tJ");
  if (here) store_free("scf.tJ");

  double exc_fit = 0.0;
  if (o.grid != 0) {
    scf_grid_prepare(o.grid_new != 0, o.iteration == 0 || o.grid_new != 0, o.fitxc == 0);
    xc_fitted_pass();
    if (here) exc_fit = exchange_correlation();
  } else if (here) {
    PoolArray<double> zero(sh.nfit);
    vec_set(sh.nfit, 0.0, zero.data());
    scf_write("fa", zero.data(), sh.nfit);
    scf_write("fb", zero.data(), sh.nfit);
    store_put("Ex", 0.0);
    store_put("Ec", 0.0);
  }
  if (here) potential_vectors(sh);

  if (here) {
    PoolArray<double> h(t);
    scf_read("H0", h.data(), t);
    scf_write("Fa", h.data(), t);
    scf_write("Fb", h.data(), t);
  }
  static const char* const kPotentials[2] = {"fa", "fb"};
  static const char* const kFock[2] = {"Fa", "Fb"};
  static const char* const kTotal[1] = {"d"};
  if (o.fitxc != 0) {
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
    if (here) std::printf(" r(xc) =%14.10lf\n", exc_fit - exchange_correlation());
  }

  if (here) {
    const double ex = store_get<double>("Ex"), ec = store_get<double>("Ec");
    const double energy = e1 + store_get<double>("Enn") + ej + ex + ec;
    store_put("EJ", ej);
    store_put("ESCF", energy);
    store_put("Energy", energy);
  }
}

}  // namespace ostrel
