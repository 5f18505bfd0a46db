#include "scf/procedure/scf_step_control.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "linalg/vector_ops.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "scf/procedure/scf_state.hpp"

namespace ostrel {
namespace {

constexpr double kMinRadius = 1e-3;  // shorter limits would only slow the final steps down

// dE/dx per unit of the orbital gradient C_v^T F C_o: a closed-shell rotation moves both
// spins.
double energy_factor(const ScfShape& sh) { return sh.closed ? 4.0 : 2.0; }

// Rises this small are noise of the energy sums (grid and integral screening move the
// energy by about 1e-11 of its size between nearby densities), not a worse point; near
// convergence a step's true change is far below that and must not be judged by it.
double rise_tolerance(double energy) { return 1e-11 + 1e-10 * std::fabs(energy); }

double trust_radius() { return record_get(rec::scf_trust); }
void set_trust_radius(const ScfStepControl& c, double r) {
  record_put(rec::scf_trust, std::clamp(r, kMinRadius, c.max_radius));
}

}  // namespace

void scf_step_control_begin(ScfStepControl& c, double max_radius) {
  c = ScfStepControl{};
  c.max_radius = max_radius;
  const ScfShape sh = scf_shape();
  if (!is_master) return;
  for (const auto r : {rec::scf_C0a, rec::scf_C0b}) record_alloc(r, std::max<std::int64_t>(sh.square(), 1));
  record_alloc(rec::scf_trust, 2);
  const double trust[2] = {max_radius, 0.0};
  record_write(rec::scf_trust, trust, 2);
}

void scf_step_control_end() {
  if (!is_master) return;
  for (const auto r : {rec::scf_trust, rec::scf_C0b, rec::scf_C0a}) record_free(r);
}

void scf_step_limit(const ScfStepControl& c, double radius) {
  if (is_master) set_trust_radius(c, std::min(radius, trust_radius()));
}

void scf_step_taken(ScfStepControl& c, double energy) {
  const ScfShape sh = scf_shape();
  double measured[3] = {0.0, 0.0, 0.0};  // slope, length, model
  if (is_master) {
    record_copy(rec::scf_C0a, rec::Ca, sh.square());
    record_copy(rec::scf_C0b, rec::Cb, sh.square());
    PoolArray<double> x(std::max<std::int64_t>(sh.nrot, 1)), g(std::max<std::int64_t>(sh.nrot, 1));
    scf_read("scf_X", x.data(), sh.nrot);
    scf_read("scf_G", g.data(), sh.nrot);
    const double f = energy_factor(sh);
    measured[0] = f * vec_dot(sh.nrot, g.data(), x.data());
    measured[1] = std::sqrt(vec_dot(sh.nrot, x.data(), x.data()));
    // The Newton step leaves its model's change (per unit of the gradient) here; a BFGS step
    // aims at the minimum of its quadratic model, which lies half the slope down.
    const double model = record_get(rec::scf_trust, 1);
    measured[2] = model != 0.0 ? f * model : 0.5 * measured[0];
    record_put(rec::scf_trust, 0.0, 1);
  }
  mp_bcast(measured, 3, MP_DOUBLE);
  c.pending = true;
  c.energy = energy;
  c.slope = measured[0];
  c.length = measured[1];
  c.model = measured[2];
}

bool scf_step_accepted(ScfStepControl& c, double energy, bool last, double* shortened) {
  c.pending = false;
  const double rise = energy - c.energy;
  if (rise <= rise_tolerance(c.energy)) {
    // Trust-region update from the ratio of the actual to the predicted change.
    if (is_master) {
      const double radius = trust_radius();
      if (c.model < -rise_tolerance(c.energy)) {
        const double ratio = rise / c.model;
        if (ratio < 0.25)
          set_trust_radius(c, 0.5 * c.length);
        else if (ratio > 0.75 && c.length > 0.8 * radius)
          set_trust_radius(c, 2.0 * radius);
      }
    }
    return true;
  }
  // E(t) = E0 + s t + q t^2 through the slope s at the accepted point and the energy at t = 1
  // (a NaN energy gives the fallback quarter step).
  const double q = rise - c.slope;
  const double best = c.slope < 0.0 && q > 0.0 ? -c.slope / (2.0 * q) : 0.25;
  c.poor_direction = best < 0.1;
  double t = std::clamp(best, 0.1, 0.5);
  if (last) t = 0.0;
  const ScfShape sh = scf_shape();
  if (is_master) {
    record_copy(rec::Ca, rec::scf_C0a, sh.square());
    record_copy(rec::Cb, rec::scf_C0b, sh.square());
    PoolArray<double> x(std::max<std::int64_t>(sh.nrot, 1));
    scf_read("scf_X", x.data(), sh.nrot);
    vec_scale(sh.nrot, t, x.data());
    scf_write("scf_X", x.data(), sh.nrot);
    // An update history that led uphill is dropped, and the shortened step pairs with no
    // update (its gradient change can be mostly rounding).
    record_put(rec::scf_NH, 0);
    record_put(rec::scf_XG0, 0.0);
    if (t > 0.0) set_trust_radius(c, t * c.length);
  }
  if (t > 0.0) {
    c.pending = true;
    c.model = c.model != 0.0 ? t * c.slope + t * t * (c.model - c.slope) : 0.0;
    c.slope *= t;
    c.length *= t;
  }
  *shortened = t;
  return false;
}

}  // namespace ostrel
