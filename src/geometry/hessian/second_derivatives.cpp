#include "geometry/hessian/second_derivatives.hpp"

#include <cmath>
#include <cstdio>
#include <string>

#include "geometry/hessian/displaced_points.hpp"
#include "geometry/hessian/hessian_assembly.hpp"
#include "geometry/hessian/hessian_checkpoint.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/records.hpp"
#include "runtime/timer.hpp"

namespace ostrel {
namespace {

struct Settings {
  int have_hessian;
  char refusal[160];  // why the settings were refused; empty when they were not
  DifferencePlan plan;
};

// Master: completes the range; the reason when a setting cannot be used.
void check_plan(DifferencePlan& p, char* refusal, std::size_t size) {
  if (p.mode < 0 || p.mode > 2) {
    std::snprintf(refusal, size, "\n displace=%d? (0 analytic, 1 forward, 2 central differences)\n", p.mode);
    return;
  }
  if (p.mode == 0) return;
  if (!(p.step > 0.0) || !std::isfinite(p.step)) {
    std::snprintf(refusal, size, "\n length=%g? (the displacement must be positive)\n", p.step);
    return;
  }
  const int first = p.first, last = p.last;
  if (p.last == -1) p.last = p.total();
  if (p.first == -1) return;
  if (p.first < 0 || p.first > p.last || p.last > p.total())
    std::snprintf(refusal, size,
                  "\n steps=%d,%d? (steps 0 to %d; a first step of -1 takes every point from the input)\n", first,
                  last, p.total());
}

Settings read_settings() {
  Settings s{};
  if (is_master) {
    s.have_hessian = record_exists(rec::haveE) && record_field(rec::haveE, &ResultsGiven::hessian) != 0;
    DifferencePlan& p = s.plan;
    p.mode = record_get(rec::num_nd);
    p.step = record_get(rec::num_dx);
    p.first = record_field(rec::num_kd, &DisplacementSteps::first);
    p.last = record_field(rec::num_kd, &DisplacementSteps::last);
    p.n3 = 3 * record_field(rec::Natom, &PerStructure::whole);
    p.grid = record_get_or(rec::grid, 0);
    if (!s.have_hessian) check_plan(p, s.refusal, sizeof s.refusal);
  }
  mp_bcast(&s, sizeof s, MP_BYTE);
  if (s.refusal[0] != '\0') {
    if (is_master) fatal_error("%s", s.refusal);
    fatal_stop();
  }
  return s;
}

void mark_complete() {
  if (!is_master) return;
  if (!record_exists(rec::haveE)) record_put(rec::haveE, ResultsGiven{0, 0, 0});
  record_set_field(rec::haveE, &ResultsGiven::hessian, 1);
}

void analytic(const EnergyProcedures& procedures) {
  if (is_master) std::printf("\n ANALYTICAL COMPUTATION OF SECOND DERIVATIVES\n");
  evaluate_with(2, procedures);
  if (!is_master) return;
  double a[6] = {0, 0, 0, 0, 0, 0};
  if (record_count(rec::Polariz) >= 6) record_read(rec::Polariz, a, 6);
  for (double& v : a) v = 0.0 - v;  // no "-0.000000" for a zero
  std::printf(" Dipole Polarizability:\n %12.6lf\n %12.6lf %12.6lf\n %12.6lf %12.6lf %12.6lf\n", a[0], a[1], a[2],
              a[3], a[4], a[5]);
}

// "7-12, 15" for the steps without results (master).
std::string missing_steps(const DifferencePlan& p, int* count) {
  std::string text;
  *count = 0;
  for (int s = 0; s <= p.total(); ++s) {
    if (point_done(s)) continue;
    int e = s;
    while (e + 1 <= p.total() && !point_done(e + 1)) ++e;
    *count += e - s + 1;
    if (!text.empty()) text += ", ";
    text += e > s ? std::to_string(s) + "-" + std::to_string(e) : std::to_string(s);
    s = e;
  }
  return text;
}

void set_grid_adapt(const DifferencePlan& p, int value) {
  if (is_master && p.grid != 0) record_put(rec::grid_adapt, value);
}

int numerical(const DifferencePlan& p, const EnergyProcedures& procedures) {
  Checkpoint kept{};
  int need_reference = 1;
  if (is_master) {
    std::printf("\n NUMERICAL COMPUTATION OF SECOND DERIVATIVES\n");
    if (!p.whole_range()) std::printf(" steps %d to %d\n\n", p.first, p.last);
    // Every point computes the polarizability too when it is asked for.
    if (record_exists(rec::polariz)) record_put(rec::polariz, record_get(rec::polariz));
    if (!p.from_input()) {
      kept = checkpoint_for(p);
      const int done = p.whole_range() ? 0 : checkpoint_load(kept, p.n3);
      if (done > 0) std::printf(" %d of %d steps done by earlier runs (%s)\n", done, p.total() + 1, kept.path.c_str());
      need_reference = p.in_range(0) || !point_done(0);
      if (need_reference && !p.in_range(0))
        std::printf(" the reference point is not among the kept steps: computed here\n");
    }
  }
  mp_bcast(&need_reference, 1, MP_INT);
  set_grid_adapt(p, need_reference ? p.grid : 0);
  if (need_reference) {
    compute_point(p, 0, procedures);
    if (is_master && !p.from_input()) {
      keep_reference_state();
      checkpoint_save(kept);
    }
  }
  // Every displaced point builds its own grid: the reference grid carried along with the
  // atoms bends a soft mode (ethane's torsion by 1.4% in curvature).
  set_grid_adapt(p, p.grid);
  for (int s = 1; s <= p.total(); ++s) {
    if (!p.in_range(s)) continue;
    compute_point(p, s, procedures);
    if (is_master && !p.from_input()) checkpoint_save(kept);
  }

  int missing = 0;
  if (is_master) {
    const std::string steps = missing_steps(p, &missing);
    if (missing > 0)
      std::printf("\n steps still to compute: %s (run again with steps covering them; done ones are kept in %s)\n",
                  steps.c_str(), kept.path.c_str());
  }
  mp_bcast(&missing, 1, MP_INT);
  if (missing > 0) return 1;
  if (is_master) {
    assemble_second_derivatives(p);
    if (!p.from_input()) checkpoint_remove(kept);
  }
  return 0;
}

}  // namespace

int second_derivatives_with(const EnergyProcedures& procedures) {
  const Settings s = read_settings();
  if (s.have_hessian) return 0;
  timer("Second Derivatives", '-');
  const int status = s.plan.mode == 0 ? (analytic(procedures), 0) : numerical(s.plan, procedures);
  timer("Second Derivatives", '+');
  timer("Second Derivatives", 'r');
  if (status != 0) {
    std::fflush(stdout);
    return 1;
  }
  mark_complete();
  std::fflush(stdout);
  return 0;
}

int second_derivatives() { return second_derivatives_with(default_energy_procedures()); }

}  // namespace ostrel
