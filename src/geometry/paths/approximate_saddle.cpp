#include "geometry/paths/approximate_saddle.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/coordinate_kernel.hpp"
#include "geometry/internal_frame.hpp"
#include "geometry/optimize_common.hpp"
#include "geometry/optimize_options.hpp"
#include "geometry/optimize_records.hpp"
#include "geometry/paths/path_coordinates.hpp"
#include "geometry/paths/path_driver.hpp"
#include "geometry/paths/path_keep.hpp"
#include "geometry/paths/start_hessian.hpp"
#include "geometry/run_optimization.hpp"
#include "input/energy_driver.hpp"
#include "linalg/vector_ops.hpp"
#include "model/molecule_record.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

// A point of the line search: parameter, energy, slope dE/ds.
struct LinePoint {
  double s, e, g;
};

struct Search {
  OptimizeOptions o;
  Molecule mol;
  int n = 0, m = 0, count = 0, cycle = 0;
  double s = 0.5, curvature = 0;
  bool have_low = false, have_high = false, done = false;
  LinePoint low{}, high{}, best{};  // low: slope > 0 (the maximum lies above), high: slope < 0
  InternalCoordinate* set;
  double *w, *ra, *rb, *x, *xbest, *gbest, *a;
  PathKeep keep;
};

// Cubic through two points of the line; the parameter of its maximum between them.
double cubic_maximum(const LinePoint& p, const LinePoint& q, double* e_fit, double* second) {
  const double l = q.s - p.s, de = q.e - p.e;
  const double a = (l * (p.g + q.g) - 2 * de) / (l * l * l), b = (3 * de - 2 * l * p.g - l * q.g) / (l * l);
  double t = 0.5 * l;
  if (a != 0.0) {
    const double d = b * b - 3 * a * p.g;
    if (d >= 0.0) {
      const double r1 = (-b + std::sqrt(d)) / (3 * a), r2 = (-b - std::sqrt(d)) / (3 * a);
      // The root with negative second derivative is the maximum.
      t = 6 * a * r1 + 2 * b < 0.0 ? r1 : r2;
    }
  } else if (b < 0.0) {
    t = -p.g / (2 * b);
  }
  // Within the bracket, but not kept off its ends: a maximum at an end (a slope already
  // within the tolerance there) must be able to end the search, and the last fit's
  // curvature, which stage 2 takes, then still spans the whole bracket rather than a sliver.
  t = std::clamp(t, 0.0, l);
  *e_fit = p.e + p.g * t + b * t * t + a * t * t * t;
  *second = 6 * a * t + 2 * b;
  return p.s + t;
}

// Master: the structure at parameter s from the nearest evaluated one, into "Molecule".
void place(Search& r) {
  PoolArray<double> target(r.count);
  for (int i = 0; i < r.count; ++i) target[i] = r.ra[i] + r.s * (r.rb[i] - r.ra[i]);
  interpolated_structure(r.n, r.count, r.set, r.w, target.data(), r.x);
  write_geometry(r.mol, r.x);
  std::printf("\n");
  print_structure(r.mol, false, 0.0);
  record_put(rec::grid_adapt, r.cycle == 0 ? record_get_or(rec::grid, 0) : 0);
}

// Master, after an evaluation at r.s: the slope along the line and the next parameter.
void absorb(Search& r) {
  const int m = r.m;
  PoolArray<double> g(m), d(r.count), p(m);
  record_read(rec::Gradient, g.data(), m);
  const double e = record_get(rec::Energy);
  {
    InternalFrame f(r.n, r.count, r.set, r.w, r.x);
    for (int i = 0; i < r.count; ++i) d[i] = r.rb[i] - r.ra[i];
    f.displacement(d.data(), p.data());  // dx/ds
  }
  const LinePoint pt{r.s, e, vec_dot(m, g.data(), p.data())};
  std::printf("\n Cycle %d:\n %2s s = %11.8lf: E = %11.8lf, g = %11.8lf\n  p*g = %11.8lf\n", r.cycle + 1, "", pt.s,
              pt.e, pt.g, pt.g);
  if (r.cycle == 0 || pt.e > r.best.e) {
    r.best = pt;
    vec_copy(m, r.x, r.xbest);
    vec_copy(m, g.data(), r.gbest);
    vec_copy(m, p.data(), r.a);
  }
  if (pt.g > 0.0) r.low = pt, r.have_low = true;
  else r.high = pt, r.have_high = true;
  if (r.have_low && r.low.s > r.high.s && r.have_high) r.have_high = false;
  if (r.have_high && r.high.s < r.low.s && r.have_low) r.have_low = false;
  double next;
  bool narrow = false;
  if (r.have_low && r.have_high) {
    double e_fit = 0.0, second = 0.0;
    next = cubic_maximum(r.low, r.high, &e_fit, &second);
    std::printf(" cubic fit: ds = %10.8lf, E = %11.8lf\n", next - pt.s, e_fit);
    // The slopes carry the noise of the SCF (about 1e-5 for HCN at the line's maximum): the
    // curvature stage 2 takes comes from a bracket at least 1e-3 of the line wide, and one
    // narrower than the tolerance ends the search, the slope there being noise.
    const double width = std::fabs(r.high.s - r.low.s);
    if (width >= 1e-3 || r.curvature == 0.0) r.curvature = second;
    narrow = width < r.o.tolerance[0];
  } else {
    // Not bracketed yet: a quarter of the line further uphill.
    next = std::clamp(pt.s + (pt.g > 0.0 ? 0.25 : -0.25), 0.0, 1.0);
  }
  const bool converged = narrow || (std::fabs(pt.g) < r.o.tolerance[0] && std::fabs(next - pt.s) < r.o.tolerance[0]);
  if (converged) std::printf("\n CONVERGED!\n");
  r.done = converged || ++r.cycle >= r.o.max_steps || next == pt.s;
  r.s = next;
}

// Master: the point just evaluated, kept with the ones before for a run of the same input.
void keep_point(const Search& r) {
  const int m = r.m;
  PoolArray<double> g(m);
  record_read(rec::Gradient, g.data(), m);
  const double e = record_get(rec::Energy);
  record_put(rec::Path_np, r.cycle + 1);
  record_write(rec::Path_X, r.x, m, std::int64_t{r.cycle} * m);
  record_write(rec::Path_GX, g.data(), m, std::int64_t{r.cycle} * m);
  record_write(rec::Path_E, &e, 1, r.cycle);
  path_keep_save(r.keep);
}

// Master: the line search again through the points an earlier run of the same input kept,
// their results taken for evaluations.
void resume(Search& r) {
  const int m = r.m, most = std::max(r.o.max_steps, 1);
  path_keep_records(most, m);
  path_keep_chain_records(most, m, false);
  const int kept = path_keep_resume(r.keep, most);
  PoolArray<double> g(m);
  for (int i = 0; i < kept && !r.done; ++i) {
    double e = 0;
    record_read(rec::Path_X, r.x, m, std::int64_t{i} * m);
    record_read(rec::Path_GX, g.data(), m, std::int64_t{i} * m);
    record_read(rec::Path_E, &e, 1, i);
    record_put(rec::Energy, e);
    record_write(rec::Gradient, g.data(), m);
    absorb(r);
  }
  if (kept > 0) std::printf("\n continuing the line search after point %d (kept in %s)\n", kept, r.keep.path.c_str());
}

// Master: the start of stage 2, a saddle search from the best point with the line's
// direction as the mode followed.
void prepare_stage2(Search& r) {
  const double pn2 = vec_dot(r.m, r.a, r.a);
  std::printf("\n\n Stage 2: Two-Dimensional Saddle Point Search:\n g*p = %11.8lf\n", r.best.g);
  // The line's curvature per unit cartesian length (negative at a maximum).
  start_saddle_search_along(r.mol, r.xbest, r.gbest, r.best.e, r.a, r.curvature / pn2);
}

}  // namespace

void approximate_saddle_search_with(Evaluator evaluate) {
  Search r;
  int head[1] = {0};
  if (is_master) {
    std::printf("\n\n Approximate Saddle Point Search\n");
    r.o = load_optimize_options();
    head[0] = record_field(rec::Natom, &PerStructure::whole);
    if (record_get_or(rec::Path_Nguess, 0) < 2)
      fatal_error("\n SADDLE needs two structures (two $molecule groups), not %d\n", record_get_or(rec::Path_Nguess, 0));
  }
  mp_bcast(head, 1, MP_INT);
  const int n = head[0], m = 3 * n;
  const bool here = is_master;
  const std::int64_t kc = here ? std::int64_t{kPathCoordinatesPerAtom} * n + 1 : 1;
  PoolArray<InternalCoordinate> set(kc);
  PoolArray<double> w(kc), ra(kc), rb(kc), x(here ? m : 1), xb(here ? m : 1), xbest(here ? m : 1),
      gbest(here ? m : 1), a(here ? m : 1);
  if (is_master) {
    r.n = n, r.m = m;
    r.mol = load_molecule(0, "Molecule");
    r.set = set.data(), r.w = w.data(), r.ra = ra.data(), r.rb = rb.data(), r.x = x.data();
    r.xbest = xbest.data(), r.gbest = gbest.data(), r.a = a.data();
    record_read(rec::Path_Xguess, r.x, m);
    record_read(rec::Path_Xguess, xb.data(), m, std::int64_t{m});
    r.count = two_structure_coordinates(n, r.mol.z, r.x, xb.data(), r.o.nk, r.set);
    interpolation_ends(r.count, r.set, r.x, xb.data(), r.ra, r.rb);
    // Back-transformation weights of this search: angles count less than in the optimizer.
    for (int i = 0; i < r.count; ++i) r.w[i] = r.set[i].type == 1 ? 1.0 : r.set[i].type == 2 ? 0.125 : 0.0625;
    std::printf(" Nx-Nv=%d\n\n\n Stage 1: One-Dimensional Maximization:\n", m - r.count);
    r.keep = path_keep_for("SADDLE");
    resume(r);
  }
  drive_evaluations(
      evaluate,
      [&] {
        if (r.done) return kPathDone;
        place(r);
        return 1;
      },
      [&] {
        keep_point(r);
        absorb(r);
      });
  if (is_master) {
    prepare_stage2(r);
    release_molecule(r.mol);
  }
  run_optimization_with(evaluate);
  // The file serves an interrupted run only.
  if (is_master) path_keep_remove(r.keep);
}

void approximate_saddle_search() { approximate_saddle_search_with(evaluate); }

}  // namespace ostrel
