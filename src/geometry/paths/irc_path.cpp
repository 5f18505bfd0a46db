#include "geometry/paths/irc_path.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/model_hessian.hpp"
#include "geometry/optimize_common.hpp"
#include "geometry/optimize_options.hpp"
#include "geometry/optimize_records.hpp"
#include "geometry/paths/energy_profile.hpp"
#include "geometry/paths/hypersphere_step.hpp"
#include "geometry/paths/mass_weighting.hpp"
#include "geometry/paths/path_driver.hpp"
#include "geometry/paths/path_keep.hpp"
#include "geometry/paths/path_print.hpp"
#include "geometry/paths/start_hessian.hpp"
#include "geometry/step_tools.hpp"
#include "input/energy_driver.hpp"
#include "linalg/vector_ops.hpp"
#include "model/molecule_record.hpp"
#include "model/molecule_writer.hpp"
#include "model/structure_print.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/timer.hpp"

namespace ostrel {
namespace {

constexpr double kQuarterTurn = 1.5707963267948966, kEighthTurn = 0.7853981633974483;

// The master's view of the path. Geometries, gradients and the Hessian are mass-weighted.
struct Irc {
  OptimizeOptions o;
  Molecule mol;
  int n = 0, m = 0, grid = 0, k = 0, c = 0, level = 1;
  double trust = 0, tmax = 0, tmin = 0, e_last = 0, s_last = 0;
  bool reset = false, done = false;
  double *root, *x, *pivot, *p, *d, *g_prev, *s_prev, *h, *px, *pe, *ps, *step;
  PathKeep keep;
};

double norm(int m, const double* v) { return std::sqrt(vec_dot(m, v, v)); }

void print_point(const Irc& r, int k) {
  std::printf("IRC> path point %2d: distance = %12.8lf Energy = %14.8lf\n", k, r.ps[k], r.pe[k]);
  print_path_structure(r.mol, r.px + std::int64_t{k} * r.m, "IRC>");
}

// The geometry of the current cycle into "Molecule", printed.
void place(Irc& r) {
  PoolArray<double> xc(r.m);
  mass_weight_vector(r.m, r.root, -1, r.x, xc.data());
  write_geometry(r.mol, xc.data());
  std::printf("\n");
  write_molecule_group(r.mol, "mol>", 1);
  print_coordinates(r.mol.z, r.mol.xyz, r.n, 1);
}

// Master: the initial direction from the Hessian or the gradient at the start.
void start_direction(Irc& r) {
  const int m = r.m;
  PoolArray<double> g(m);
  record_read(rec::Gradient, g.data(), m);
  if (!r.o.saddle) {
    mass_weight_vector(m, r.root, -1, g.data(), r.d);
    if (!(norm(m, r.d) > 0.0)) fatal_error(" gradient = 0: no direction to follow from a stationary point\n");
    PoolArray<double> hx(packed_size(m));
    cartesian_model_hessian(r.n, r.mol.z, r.mol.xyz, hx.data());
    record_write(rec::Opt_Hx, hx.data(), packed_size(m));
  } else {
    PoolArray<double> hx(packed_size(m)), vec(std::int64_t{m} * m), val(m);
    record_read(rec::Hessian, hx.data(), packed_size(m));
    record_write(rec::Opt_Hx, hx.data(), packed_size(m));
    mass_weight_packed(m, r.root, -1, hx.data());
    eigen_local(hx.data(), vec.data(), val.data(), m);
    if (val[0] >= -1e-6) fatal_error(" lowest eigenvalue = %8.1e: is it a saddle point?\n", val[0]);
    vec_copy(m, vec.data(), r.d);
    if (r.d[vec_index_max_abs(m, r.d)] < 0.0) vec_scale(m, -1.0, r.d);
    if (r.o.back) vec_scale(m, -1.0, r.d);
    std::printf(" frequency = %7.2lf%c cm^-1:\n", curvature_wavenumber(val[0]), imaginary_mark(val[0]));
  }
  std::printf(" mode components:\n");
  for (int a = 0; a < r.n; ++a) std::printf(" %10.6lf %10.6lf %10.6lf\n", r.d[3 * a], r.d[3 * a + 1], r.d[3 * a + 2]);
  PoolArray<double> hx(packed_size(m));
  record_read(rec::Opt_Hx, hx.data(), packed_size(m));
  mass_weight_packed(m, r.root, -1, hx.data());
  vec_copy(packed_size(m), hx.data(), r.h);
}

// Master, before an evaluation: the geometry and grid of cycle c of point k; returns the
// derivative level.
int begin_cycle(Irc& r) {
  const int m = r.m;
  if (r.c == 0) {
    if (r.k > 0) {
      const double radius = r.k <= 1 ? r.o.radius[1] : r.o.radius[0];
      std::printf("\n Constrained Optimization for Path Point %2d:\n  radius=%10.8lf\n\n", r.k, radius);
      vec_copy(m, r.d, r.p);
      vec_scale(m, -radius / norm(m, r.d), r.p);
      vec_copy(m, r.x, r.pivot);
      vec_axpy(m, 1.0, r.p, r.pivot);
      vec_copy(m, r.pivot, r.x);
      vec_axpy(m, 1.0, r.p, r.x);
      vec_copy(m, r.p, r.s_prev);
      vec_scale(m, 2.0, r.s_prev);
    } else {
      std::printf("\n Single Point Calculation:\n");
    }
    r.reset = r.grid == 0;
    record_put(rec::grid_adapt, r.k == 0 ? r.grid : 0);
  } else if (r.reset || vec_max_norm(m, r.s_prev) >= 10.0 * r.o.tolerance[1]) {
    record_put(rec::grid_adapt, 0);
  } else {
    std::printf("\n resetting the grid\n");
    r.reset = true;
    record_put(rec::grid_adapt, r.grid);
  }
  place(r);
  return r.o.exact ? 2 : 1;
}

void finish_point(Irc& r, bool stop) {
  const int m = r.m;
  mass_weight_vector(m, r.root, -1, r.x, r.px + std::int64_t{r.k} * m);
  r.pe[r.k] = r.e_last;
  r.ps[r.k] = r.s_last;
  print_point(r, r.k);
  path_keep_put_points(r.k + 1, m, r.px, r.pe, r.ps);
  record_write(rec::Path_G, r.d, m);
  record_put(rec::Path_W, r.trust);
  path_keep_save(r.keep);
  r.done = stop || r.k >= r.o.points;
  ++r.k;
  r.c = 0;
}

// BFGS in the mass-weighted coordinates and the trust test of the last step.
void update_model(Irc& r, const double* g, const double* h) {
  const int m = r.m;
  PoolArray<double> dg(m), hs(m);
  for (int i = 0; i < m; ++i) dg[i] = g[i] - r.g_prev[i];
  for (int i = 0; i < m; ++i) {
    double sum = 0.0;
    for (int j = 0; j < m; ++j) sum += h[packed_index(std::max(i, j), std::min(i, j))] * r.s_prev[j];
    hs[i] = sum;
  }
  const double hshs = vec_dot(m, hs.data(), hs.data());
  const double ratio = hshs > 0.0 ? vec_dot(m, dg.data(), hs.data()) / hshs : 1.0;
  if (!r.o.exact && (record_get(rec::grid_adapt) == 0 || r.c == 0)) {
    std::printf(" update H\n");
    const double sdg = vec_dot(m, r.s_prev, dg.data()), shs = vec_dot(m, r.s_prev, hs.data());
    // The secant condition holds whatever the signs; only a vanishing denominator is skipped.
    if (std::fabs(sdg) > 1e-12 && std::fabs(shs) > 1e-12)
      for (int i = 0; i < m; ++i)
        for (int j = 0; j <= i; ++j) r.h[packed_index(i, j)] += dg[i] * dg[j] / sdg - hs[i] * hs[j] / shs;
    PoolArray<double> hx(packed_size(m));
    vec_copy(packed_size(m), r.h, hx.data());
    mass_weight_packed(m, r.root, 1, hx.data());
    record_write(rec::Opt_Hx, hx.data(), packed_size(m));
  }
  if (std::fabs(ratio - 1.0) < 0.15) r.trust *= 2.0;
  else if (std::fabs(ratio - 1.0) > 0.3) r.trust *= 0.5;
  r.trust = std::clamp(r.trust, r.tmin, r.tmax);
  std::printf(" trust test = %8.5lf, trust radius = %7.5lf\n", ratio, r.trust);
}

// Master, after an evaluation: the constrained step, the tests, the next cycle or point.
void end_cycle(Irc& r) {
  const int m = r.m;
  const double energy = record_get(rec::Energy);
  PoolArray<double> g(m), h(packed_size(m)), v(m);
  record_read(rec::Gradient, g.data(), m);
  mass_weight_vector(m, r.root, -1, g.data(), g.data());
  if (r.k == 0) {
    r.e_last = energy;
    r.s_last = 0.0;
    vec_copy(m, g.data(), r.g_prev);
    finish_point(r, false);
    return;
  }
  std::printf("\n Optimization Cycle %2d:\n Energy = %14.8lf, change = %11.8lf\n", r.c, energy,
              energy - (r.c == 0 ? r.pe[r.k - 1] : r.e_last));
  r.e_last = energy;
  if (r.o.exact) {
    record_read(rec::Hessian, h.data(), packed_size(m));
    mass_weight_packed(m, r.root, -1, h.data());
    vec_copy(packed_size(m), h.data(), r.h);
  }
  update_model(r, g.data(), r.h);
  vec_copy(m, g.data(), r.d);
  // The arc of the circle through the last point and this one, tangent to the path at both.
  for (int i = 0; i < m; ++i) v[i] = r.x[i] - r.pivot[i];
  const double radius = norm(m, r.p);
  const double cosine = std::min(1.0, vec_dot(m, v.data(), r.p) / (norm(m, v.data()) * radius));
  const double theta = std::acos(std::max(-1.0, cosine));
  const double arc = theta <= 1e-6 ? 2.0 * radius : theta * radius * std::cos(theta / 2) / std::sin(theta / 2);
  r.s_last = r.ps[r.k - 1] + (r.o.back ? -arc : arc);
  std::printf(" angle = %9.4lf (deg), arc length = %8.6lf\n", theta * kDegreesPerRadian, arc);
  PoolArray<double> t(6 * std::int64_t{m});
  const int nt = mass_weighted_external_motions(r.n, r.root, r.x, t.data());
  vec_copy(packed_size(m), r.h, h.data());
  const SphereStep s = hypersphere_step(m, h.data(), g.data(), v.data(), nt, t.data(), r.trust, r.step);
  const bool gok = s.g_tangent < r.o.tolerance[0], dok = s.length < r.o.tolerance[1];
  const char* blank = "            ";
  std::printf(" gradient = %10.8lf%s displacement = %10.8lf%s\n", s.g_tangent, gok ? " (converged)" : blank,
              s.length, dok ? " (converged)" : blank);
  const bool converged = gok && dok && r.reset;
  if (converged) std::printf("\n OPTIMIZATION CONVERGED!\n");
  const bool stop = (s.g_radial > 0.0 && theta > kEighthTurn) || theta >= kQuarterTurn;
  if (stop) std::printf("\n Vicinity of a Stationary Point --- STOP.\n");
  if (converged || stop || r.c + 1 >= r.o.max_steps) {
    // Past the minimum the sphere's lowest point can lie uphill of the last point while the
    // radius still points outward: the path then ends at the last point.
    if (!stop && energy > r.pe[r.k - 1]) {
      std::printf("\n energy rises from the last point\n Vicinity of a Stationary Point --- STOP.\n");
      r.done = true;
      return;
    }
    vec_copy(m, g.data(), r.g_prev);
    finish_point(r, stop);
    return;
  }
  vec_axpy(m, 1.0, r.step, r.x);
  vec_copy(m, r.step, r.s_prev);
  vec_copy(m, g.data(), r.g_prev);
  ++r.c;
}

void final_listing(const Irc& r) {
  std::printf("\n\n REACTION PATH:\n");
  const int np = r.k;
  for (int i = 0; i < np; ++i) print_point(r, r.o.back ? np - 1 - i : i);
  print_energy_profile(np, r.ps, r.pe);
}

// Master: continues a kept path of the same input; false when there is none.
bool resume(Irc& r) {
  const int np = path_keep_resume(r.keep, r.o.points + 1);
  if (np < 1) return false;
  const int m = r.m;
  path_keep_get_points(np, m, r.px, r.pe, r.ps);
  record_read(rec::Path_G, r.d, m);
  r.trust = record_get(rec::Path_W);
  vec_copy(m, r.d, r.g_prev);
  mass_weight_vector(m, r.root, 1, r.px + std::int64_t{np - 1} * m, r.x);
  record_read(rec::Opt_Hx, r.h, packed_size(m));
  mass_weight_packed(m, r.root, -1, r.h);
  std::printf("\n continuing the path after point %d (kept in %s)\n", np - 1, r.keep.path.c_str());
  for (int i = 0; i < np; ++i) print_point(r, i);
  r.k = np;
  r.done = np > r.o.points;
  return true;
}

}  // namespace

void irc_path_with(Evaluator evaluate) {
  Irc r;
  int head[3] = {0, 0, 0};  // atoms, saddle, resumed
  if (is_master) {
    std::printf("\n -----------------------------\n Intrinsic Reaction Coordinate\n -----------------------------\n");
    r.o = load_optimize_options();
    head[0] = record_field(rec::Natom, &PerStructure::whole);
    head[1] = r.o.saddle;
  }
  mp_bcast(head, 3, MP_INT);
  const int n = head[0], m = 3 * n, points = is_master ? r.o.points + 1 : 1;
  const bool here = is_master;
  PoolArray<double> root(here ? m : 1), x(here ? m : 1), pivot(here ? m : 1), p(here ? m : 1), d(here ? m : 1),
      g_prev(here ? m : 1), s_prev(here ? m : 1), h(here ? packed_size(m) : 1), px(here ? std::int64_t{points} * m : 1),
      pe(points), ps(points), step(here ? m : 1);
  if (is_master) {
    r.n = n;
    r.m = m;
    r.mol = load_molecule(0, "Molecule");
    r.root = root.data(), r.x = x.data(), r.pivot = pivot.data(), r.p = p.data(), r.d = d.data();
    r.g_prev = g_prev.data(), r.s_prev = s_prev.data(), r.h = h.data(), r.px = px.data(), r.pe = pe.data();
    r.ps = ps.data(), r.step = step.data();
    coordinate_mass_roots(n, r.mol.mass, r.root);
    mass_weight_vector(m, r.root, 1, r.mol.xyz, r.x);
    r.grid = record_get_or(rec::grid, 0);
    r.tmax = std::min(r.o.trust[0], r.o.radius[0] / 2);
    r.tmin = std::min(r.o.trust[1], r.tmax / 32);
    r.trust = r.tmax / 4;
    r.keep = path_keep_for("IRC");
    path_keep_records(points, m);
    head[2] = resume(r);
  }
  mp_bcast(&head[2], 1, MP_INT);
  timer("Reaction Path", '-');
  int have_start = 0;  // energy and gradient of the start are in the store
  if (!head[2]) {
    if (head[1]) {
      have_start = provide_start_hessian(evaluate);
    } else {
      int need = 0;
      if (is_master) need = !record_exists(rec::haveE) || record_field(rec::haveE, &ResultsGiven::gradient) == 0;
      mp_bcast(&need, 1, MP_INT);
      if (need) {
        if (is_master) record_put(rec::grid_adapt, r.grid);
        evaluate(1);
      }
      have_start = 1;
    }
    if (is_master) start_direction(r);
  }
  drive_evaluations(
      evaluate,
      [&] {
        if (r.done) return kPathDone;
        if (r.k == 0 && have_start) {
          std::printf("\n Single Point Calculation: the start structure's results\n");
          return kPathStored;
        }
        return begin_cycle(r);
      },
      [&] { end_cycle(r); });
  if (is_master) {
    final_listing(r);
    // The file serves an interrupted run only.
    path_keep_remove(r.keep);
    if (record_exists(rec::haveE)) record_set_field(rec::haveE, &ResultsGiven::hessian, 0);
    release_molecule(r.mol);
  }
  timer("Reaction Path", '+');
  timer("Reaction Path", 'r');
  std::fflush(stdout);
}

void irc_path() { irc_path_with(evaluate); }

}  // namespace ostrel
