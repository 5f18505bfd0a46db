#include "scf/procedure/scf_run.hpp"

#include <cstdint>
#include <cstdio>

#include "integrals/fit_driver.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "runtime/timer.hpp"
#include "scf/procedure/scf_bfgs_step.hpp"
#include "scf/procedure/scf_canonicalize.hpp"
#include "scf/procedure/scf_density.hpp"
#include "scf/procedure/scf_fock_energy.hpp"
#include "scf/procedure/scf_gradient.hpp"
#include "scf/procedure/scf_hessian_setup.hpp"
#include "scf/procedure/scf_newton_step.hpp"
#include "scf/procedure/scf_one_electron.hpp"
#include "scf/procedure/scf_one_electron_properties.hpp"
#include "scf/procedure/scf_orthonormalize.hpp"
#include "scf/procedure/scf_rotate.hpp"
#include "scf/procedure/scf_state.hpp"
#include "scf/procedure/scf_step_control.hpp"

namespace ostrel {
namespace {

const char* const kTimers[9] = {"SCF Equations",   "Overlap-type Integrals", "Coulomb-type Integrals",
                                "Density Fit",     "Grid Construction",      "Numerical Integration",
                                "Diagonalization", "Matrix Multiply",        "Plane Rotations"};

struct RunOptions {
  double conv;
  double g0;
  double acc1;
  double ricut;
  int itmax;
  int itinner;
  int bfgs;
  int diagm;
  int grid;
  int grid_adapt;
  int f0;
  int spare;
};

RunOptions read_options() {
  RunOptions o{};
  if (is_master) {
    o.conv = record_field(rec::convergence, &Convergence::energy);
    o.itmax = record_field(rec::iterations, &IterationLimits::outer);
    o.itinner = record_field(rec::iterations, &IterationLimits::inner);
    o.bfgs = record_get(rec::scf_procedure) == 1;
    o.diagm = record_field(rec::scf_diag, &DiagonalisationMode::initial);
    o.grid = record_get(rec::grid);
    o.f0 = record_get(rec::fitxc);
    o.g0 = record_get(rec::scf_Gmax);
    o.ricut = record_get_or(rec::ricut, 1e-10);
    if (o.grid != 0) {
      o.grid_adapt = record_get(rec::grid_adapt);
      o.acc1 = record_field(rec::grid_accuracy, &GridAccuracy::fine);
      o.spare = record_get_or(rec::grid_spare, 0);
    }
  }
  mp_bcast(&o, sizeof o, MP_BYTE);
  return o;
}

// Orbital energies exist before the quasi-Newton records, which are freed in stack order.
void ensure_orbital_energies() {
  const int n = record_get(rec::Nbasis);
  for (const Record<double> energies : {rec::ea, rec::eb}) record_ensure(energies, n > 0 ? n : 1);
}

void put_int(const char* name, int value) {
  if (is_master) record_put(Record<int>{name}, value);
}

}  // namespace

void scf_run() {
  if (is_master) std::printf("\n SCF Equations:\n");
  for (const char* name : kTimers) timer(name, '0');
  timer("SCF Equations", '-');
  const RunOptions o = read_options();
  const double switch_factor = coarse_residual_factor(scf_shape().closed);
  int fine = o.grid != 0 ? o.g0 < 0.1 : 1;
  put_int("grid_new", o.grid_adapt);
  put_int("xc_compare", fine);
  if (!fine && o.itmax >= 2) put_int("fitxc", 1);
  if (o.itmax < 0) {
    scf_density();
    timer("SCF Equations", '+');
    return;
  }
  scf_one_electron_setup();
  fit_setup_step(o.ricut, false);
  scf_orthonormalize();
  if (is_master) {
    ensure_orbital_energies();
    std::printf("\n it.       energy       energy change    gradient     time\n");
  }

  double previous = 0.0;
  // A Newton step whose Hessian comes from the coarse grid can crawl along a soft mode of
  // the final grid (a radical's degenerate pi pair); two steps that do not halve the
  // gradient move the response to the final grid for the rest of the run.
  double last_fine = 0.0;
  int slow = 0;
  bool final_response = false;
  // A step whose energy lies above its starting point's is taken back and shortened; on
  // the last iteration the run returns to the starting point to end there.
  ScfStepControl control;
  bool ending = false;
  int swaps = 0;
  for (int it = 0;;) {
    put_int("scf_iter", it);
    put_int("grid_fine", fine);
    scf_density();
    scf_fock_energy();
    const double energy = scf_get_double("ESCF");
    double shortened = 0.0;
    if (control.pending && !scf_step_accepted(control, energy, it + 1 >= o.itmax, &shortened)) {
      if (is_master)
        std::printf(" %3d%18.10lf%15.10lf  higher: step taken back, x%.2f\n", it, energy, energy - previous,
                    shortened);
      if (shortened > 0.0) {
        // The history that led there is dropped: the quasi-Newton step is then the
        // preconditioned gradient, within the shortened trust radius.
        if (o.bfgs && control.poor_direction) {
          scf_bfgs_step();
          scf_step_taken(control, control.energy);
        }
        scf_rotate();
      } else
        ending = true;
      ++it;
      continue;
    }
    if (!(it > 0 && o.bfgs)) {
      const int canon = (o.diagm > 0 && it == 0) || o.diagm >= 3;
      if (is_master) record_set_field(rec::scf_diag, &DiagonalisationMode::canonical, canon);
      scf_canonicalize();
    }
    if (it == 0) {
      scf_hessian_setup(o.bfgs ? o.itmax : o.itinner + 1);
      // Newton steps up to 0.5 long; BFGS steps without a bound until one is taken back.
      scf_step_control_begin(control, o.bfgs ? 1e3 : 0.5);
    }
    scf_gradient();
    double gmax = scf_get_double("scf_Gmax");
    const double change = it > 0 ? energy - previous : 0.0;
    previous = energy;
    const double seconds = timer("SCF Equations", '?');
    if (is_master) {
      std::printf(" %3d%18.10lf%15.10lf%13.8lf%9.1lf\n", it, energy, change, gmax, seconds);
      std::fflush(stdout);  // a long run's progress shows in its output file as it goes
    }
    if (gmax < o.conv && fine) {
      if (is_master) std::printf(" converged!\n");
      break;
    }
    if (fine && !o.bfgs && o.spare && !final_response) {
      slow = last_fine > 0.0 && gmax > 0.5 * last_fine ? slow + 1 : 0;
      last_fine = gmax;
      if (slow >= 2) {
        put_int("grid_spare", 0);
        final_response = true;
        // Along that soft mode the exact Hessian sends a full step far off the curved valley
        // of equal energies (a quarter of a millihartree up for OH); short steps follow it.
        scf_step_limit(control, 0.05);
        if (is_master) std::printf(" slow convergence: response on the final grid\n");
      }
    }
    if (it + 1 >= o.itmax || ending) {
      // One line no reader can miss; the results still print, and the run's exit status
      // says they are not converged.
      if (is_master)
        std::printf(" SCF not converged after %d iteration%s: gradient %.1e\n", it + 1, it ? "s" : "", gmax);
      raise_exit_status(kExitUnconverged);
      break;
    }
    if (o.bfgs) {
      scf_bfgs_step();
    } else {
      scf_newton_step();
      gmax = scf_get_double("scf_Gmax");
    }
    scf_step_taken(control, energy);
    scf_rotate();
    if (!fine && (switch_factor * o.acc1 > gmax || it + 3 >= o.itmax)) {
      // Quasi-Newton steps see no negative curvature: started with a hole in the wrong
      // shell (a Cu(II) complex's d hole), they settle in that excited state. The orbital
      // order shows it; the run then goes on from the swapped occupation, once.
      if (o.bfgs && swaps == 0 && it + 6 < o.itmax && scf_aufbau_swap()) {
        ++swaps;
        control.pending = false;
        scf_hessian_setup(o.itmax);
        if (is_master) record_put(rec::scf_XG0, 0.0);
        put_int("grid_new", 0);
        ++it;
        continue;
      }
      // Final grid from here on; the first-order phase always used the fitted density.
      // Energies of the two grids do not compare. The final grid was built with the coarse
      // one: rebuilt from the density where the coarse iterations happened to stop, it made
      // the energy jump between nearby geometries.
      control.pending = false;
      put_int("grid_new", 0);
      // The gradient change across the change of model is no curvature: that step pairs
      // with no update, while the coarse history still serves as the starting Hessian.
      if (is_master && o.bfgs) record_put(rec::scf_XG0, 0.0);
      put_int("fitxc", o.f0);
      put_int("xc_compare", 1);
      fine = 1;
      ++it;
      continue;
    }
    put_int("grid_new", 0);
    ++it;
  }

  if (final_response) put_int("grid_spare", o.spare);
  if (is_master) record_set_field(rec::scf_diag, &DiagonalisationMode::canonical, static_cast<int>(o.diagm > 1));
  scf_canonicalize();
  scf_step_control_end();
  scf_hessian_setup(-1);
  scf_weighted_density();
  scf_one_electron_properties();
  timer("SCF Equations", '+');
  for (const char* name : kTimers) timer(name, 'r');
}

}  // namespace ostrel
