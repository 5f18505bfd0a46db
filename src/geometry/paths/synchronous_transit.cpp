#include "geometry/paths/synchronous_transit.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/coordinate_kernel.hpp"
#include "geometry/model_hessian.hpp"
#include "geometry/optimize_common.hpp"
#include "geometry/optimize_options.hpp"
#include "geometry/optimize_records.hpp"
#include "geometry/paths/energy_profile.hpp"
#include "geometry/paths/path_coordinates.hpp"
#include "geometry/paths/path_driver.hpp"
#include "geometry/paths/path_keep.hpp"
#include "geometry/paths/path_print.hpp"
#include "geometry/paths/start_hessian.hpp"
#include "geometry/run_optimization.hpp"
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

namespace ostrel {
namespace {

struct Transit {
  OptimizeOptions o;
  Molecule mol;
  int n = 0, m = 0, count = 0, points = 0, k = 0, c = 0;
  double trust = 0, e_prev = 0, predicted = 0;
  bool done = false;
  InternalCoordinate* set;
  double *w, *r0, *delta, *px, *pe, *pg, *ps, *x, *h, *h0, *g_prev, *dx;
  PathKeep keep;
};

double delta_norm2(const Transit& t) {
  double d = 0.0;
  for (int i = 0; i < t.count; ++i) d += t.w[i] * t.delta[i] * t.delta[i];
  return d;
}

// Path parameter of x and its cartesian gradient a.
double path_parameter(const Transit& t, const double* x, double* a) {
  PoolArray<double> q(t.count), b(std::int64_t{B_ROW} * t.count), wd(t.count);
  internal_values(t.count, t.set, x, q.data(), b.data());
  for (int i = 0; i < t.count; ++i) q[i] -= t.r0[i];
  wrap_differences(t.count, t.set, q.data());
  const double d2 = delta_norm2(t);
  double s = 0.0;
  for (int i = 0; i < t.count; ++i) {
    s += t.w[i] * q[i] * t.delta[i] / d2;
    wd[i] = t.w[i] * t.delta[i] / d2;
  }
  apply_b_transpose(t.count, t.set, b.data(), wd.data(), a, t.n);
  return s;
}

void print_point(const Transit& t, int k) {
  std::printf("PATH> Point %2d: s = %8.6lf E = %14.8lf\n", k, t.ps[k], t.pe[k]);
  print_path_structure(t.mol, t.px + std::int64_t{k} * t.m, "PATH>");
}

// Master: the geometry to evaluate next into "Molecule"; false when the chain is done.
void place(Transit& t) {
  if (t.c == 0 && t.k > 0 && t.k < t.points - 1) {
    // Start from the previous point moved to this point's place on the line.
    PoolArray<double> target(t.count);
    for (int i = 0; i < t.count; ++i) target[i] = t.r0[i] + t.ps[t.k] * t.delta[i];
    vec_copy(t.m, t.px + std::int64_t{t.k - 1} * t.m, t.x);
    interpolated_structure(t.n, t.count, t.set, t.w, target.data(), t.x);
    vec_copy(packed_size(t.m), t.h0, t.h);
  } else if (t.c == 0) {
    vec_copy(t.m, t.px + std::int64_t{t.k} * t.m, t.x);
  }
  write_geometry(t.mol, t.x);
  record_put(rec::grid_adapt, t.c == 0 ? record_get_or(rec::grid, 0) : 0);
}

void finish_point(Transit& t, double energy) {
  vec_copy(t.m, t.x, t.px + std::int64_t{t.k} * t.m);
  record_read(rec::Gradient, t.pg + std::int64_t{t.k} * t.m, t.m);
  t.pe[t.k] = energy;
  t.c = 0;
  t.done = ++t.k >= t.points;
  // Each point starts afresh from the one before: the points done are all a later run needs.
  const std::int64_t all = std::int64_t{t.points} * t.m;
  path_keep_put_points(t.points, t.m, t.px, t.pe, nullptr);
  record_put(rec::Path_np, t.k);
  record_write(rec::Path_GX, t.pg, all);
  path_keep_save(t.keep);
}

// Master: the points kept by an earlier run of the same input.
void resume(Transit& t) {
  const std::int64_t all = std::int64_t{t.points} * t.m;
  path_keep_records(t.points, t.m);
  path_keep_chain_records(t.points, t.m, false);
  t.k = path_keep_resume(t.keep, t.points);
  if (t.k < 1) return;
  path_keep_get_points(t.points, t.m, t.px, t.pe, nullptr);
  record_read(rec::Path_GX, t.pg, all);
  t.done = t.k >= t.points;
  std::printf("\n continuing the path after point %d (kept in %s)\n", t.k - 1, t.keep.path.c_str());
}

// Master, after an evaluation: one projected quasi-Newton step with the path parameter held.
void absorb(Transit& t) {
  const int m = t.m, k = t.k;
  const double energy = record_get(rec::Energy);
  if (k == 0 || k == t.points - 1) {
    std::printf("\n\n Point %2d:\n Energy = %16.8lf, no optimization\n\n", k, energy);
    finish_point(t, energy);
    return;
  }
  PoolArray<double> g(m), a(m), p(7 * std::int64_t{m}), hp(packed_size(m)), u(std::int64_t{m} * m), e(m), gm(m),
      s(m), step(m);
  record_read(rec::Gradient, g.data(), m);
  if (t.c > 0) {
    PoolArray<double> dg(m);
    for (int i = 0; i < m; ++i) dg[i] = g[i] - t.g_prev[i];
    update_hessian(m, t.h, t.dx, dg.data(), HessianUpdate::BFGS);
    const double ratio = t.predicted != 0.0 ? (energy - t.e_prev) / t.predicted : 1.0;
    if (ratio < 0.25 || ratio > 4.0) t.trust = std::max(t.o.trust[1], 0.5 * t.trust);
    else if (ratio > 0.75 && ratio < 1.5) t.trust = std::min(t.o.trust[0], 1.4142135623730951 * t.trust);
  } else {
    t.trust = t.o.trust[0] / 2;
  }
  const double sigma = path_parameter(t, t.x, a.data());
  std::printf("\n\n Optimization Cycle %2d for Point %2d:\n Energy = %16.8lf, Change = %12.8lf/%12.8lf\n"
              " Trust Radius = %10.8lf\n",
              t.c, k, energy, t.c > 0 ? energy - t.e_prev : 0.0, t.c > 0 ? t.predicted : 0.0, t.trust);
  // Held directions: translations, rotations and the path parameter's gradient.
  int np = translation_rotation_vectors(t.n, t.x, p.data());
  const double a2 = vec_dot(m, a.data(), a.data());
  double* ahat = p.data() + std::int64_t{np} * m;
  vec_copy(m, a.data(), ahat);
  for (int i = 0; i < np; ++i) vec_axpy(m, -vec_dot(m, p.data() + std::int64_t{i} * m, ahat), p.data() + std::int64_t{i} * m, ahat);
  const double an = std::sqrt(vec_dot(m, ahat, ahat));
  if (an > 1e-10) vec_scale(m, 1.0 / an, ahat), ++np;
  vec_copy(packed_size(m), t.h, hp.data());
  for (int v = 0; v < np; ++v)
    for (int i = 0; i < m; ++i)
      for (int j = 0; j <= i; ++j) hp[packed_index(i, j)] += 100.0 * p[std::int64_t{v} * m + i] * p[std::int64_t{v} * m + j];
  eigen_local(hp.data(), u.data(), e.data(), m);
  const int nfree = m - np;
  for (int i = 0; i < nfree; ++i) gm[i] = vec_dot(m, u.data() + std::int64_t{i} * m, g.data());
  vec_set(m, 0.0, s.data());
  const double lambda = trust_region_step(nfree, gm.data(), e.data(), t.trust, s.data(), &t.predicted);
  vec_set(m, 0.0, step.data());
  for (int i = 0; i < nfree; ++i) vec_axpy(m, s[i], u.data() + std::int64_t{i} * m, step.data());
  // Back onto the held parameter to first order.
  const double ds = t.ps[k] - sigma - vec_dot(m, a.data(), step.data());
  if (a2 > 0.0) vec_axpy(m, ds / a2, a.data(), step.data());
  const double gfree = vec_max_norm(nfree, gm.data()), gcart = vec_max_norm(m, g.data());
  const double dfree = vec_max_norm(nfree, s.data()), dcart = vec_max_norm(m, step.data());
  std::printf(" Gradient     = %9.7lf, %9.7lf (cart)\n Displacement = %9.7lf, %9.7lf (cart)\n", gfree, gcart, dfree,
              dcart);
  std::printf(" Lagrangian = %10.6lf\n s=%10.6lf, ds=%10.6lf\n", a2 > 0.0 ? vec_dot(m, g.data(), a.data()) / a2 : 0.0,
              sigma, t.ps[k] - sigma);
  std::printf("    i     g(i)       h(i)       d(i)   \n");
  for (int i = 0; i < nfree; ++i) std::printf("%5d %10.6lf %10.6lf %10.6lf \n", i + 1, gm[i], e[i], s[i]);
  if (lambda != 0.0) std::printf(" Lagrangian multiplier = %10.6lf\n", lambda);
  if (gfree < t.o.tolerance[0] && dcart < t.o.tolerance[1]) {
    std::printf(" CONVERGED in %d steps!\n", t.c + 1);
    finish_point(t, energy);
    return;
  }
  if (t.c + 1 >= t.o.max_steps) {
    finish_point(t, energy);
    return;
  }
  vec_copy(m, g.data(), t.g_prev);
  vec_copy(m, step.data(), t.dx);
  vec_axpy(m, 1.0, step.data(), t.x);
  t.e_prev = energy;
  ++t.c;
}

void set_up(Transit& t) {
  const int m = t.m;
  const int nguess = record_get(rec::Path_Nguess);
  if (nguess < 2) fatal_error("\n TRANSIT needs two structures (two $molecule groups), not %d\n", nguess);
  if (t.points < 3) fatal_error("\n TRANSIT: points=%d, at least 3 (the ends and one point between)\n", t.points);
  record_read(rec::Path_Xguess, t.px, m);
  record_read(rec::Path_Xguess, t.px + std::int64_t{t.points - 1} * m, m, std::int64_t{nguess - 1} * m);
  const double* a = t.px;
  const double* b = t.px + std::int64_t{t.points - 1} * m;
  t.count = two_structure_coordinates(t.n, t.mol.z, a, b, t.o.nk, t.set);
  PoolArray<double> q1(t.count);
  interpolation_ends(t.count, t.set, a, b, t.r0, q1.data());
  std::printf("\n %d internal coordinates\n    i  type  atoms              Mol. 1       Mol. 2        delta\n", t.count);
  for (int i = 0; i < t.count; ++i) t.delta[i] = q1[i] - t.r0[i];
  for (int i = 0; i < t.count; ++i) {
    const InternalCoordinate& c = t.set[i];
    const double f = c.type == 1 ? kAngstromPerBohr : kDegreesPerRadian;
    std::printf(" %4d %4d  %4d %4d %4d %4d %12.6lf %12.6lf %12.6lf\n", i + 1, c.type, c.i + 1, c.j + 1, c.k + 1,
                c.l + 1, t.r0[i] * f, (t.r0[i] + t.delta[i]) * f, t.delta[i] * f);
  }
  const double wr[3] = {t.o.wr[0], t.o.wr[1], t.o.wr[2]};
  for (int i = 0; i < t.count; ++i) t.w[i] = t.set[i].type == 1 ? wr[0] : t.set[i].type == 2 ? wr[1] : wr[2];
  for (int k = 0; k < t.points; ++k) t.ps[k] = static_cast<double>(k) / (t.points - 1);
  cartesian_model_hessian(t.n, t.mol.z, a, t.h0);
  record_ensure(rec::Opt_Hx, packed_size(m));
  record_write(rec::Opt_Hx, t.h0, packed_size(m));
}

// Master: the chain stored and listed; the start of the saddle search from its highest point
// (Peng and Schlegel's synchronous-transit-guided quasi-Newton search: the path's tangent
// there is the mode climbed, with the chain's curvature along it). Returns the highest
// point, or 0 when it is an end (no barrier between the structures).
int list_chain(Transit& t) {
  const int m = t.m;
  record_ensure(rec::Path_X, std::int64_t{t.points} * m);
  record_ensure(rec::Path_E, t.points);
  record_ensure(rec::Path_S, t.points);
  record_write(rec::Path_X, t.px, std::int64_t{t.points} * m);
  record_write(rec::Path_E, t.pe, t.points);
  record_write(rec::Path_S, t.ps, t.points);
  std::printf("\n\n SYNCHRONOUS TRANSIT PATH:\n");
  int top = 0;
  for (int k = 0; k < t.points; ++k) {
    print_point(t, k);
    if (t.pe[k] > t.pe[top]) top = k;
  }
  std::printf("\n highest point: %d, E = %14.8lf\n", top, t.pe[top]);
  print_energy_profile(t.points, t.ps, t.pe);
  if (top == 0 || top == t.points - 1) {
    std::printf("\n the highest point is an end of the chain: no saddle point search\n");
    top = 0;
  } else {
    // dE/ds twice by differences over the neighbours, per unit cartesian length of dx/ds.
    PoolArray<double> d(m);
    const double* below = t.px + std::int64_t{top - 1} * m;
    const double* above = t.px + std::int64_t{top + 1} * m;
    for (int i = 0; i < m; ++i) d[i] = above[i] - below[i];
    const double curvature = 4.0 * (t.pe[top + 1] - 2.0 * t.pe[top] + t.pe[top - 1]) / vec_dot(m, d.data(), d.data());
    std::printf("\n\n Saddle Point Search from Point %2d:\n", top);
    start_saddle_search_along(t.mol, t.px + std::int64_t{top} * m, t.pg + std::int64_t{top} * m, t.pe[top], d.data(),
                              curvature);
  }
  release_molecule(t.mol);
  std::fflush(stdout);
  return top;
}

}  // namespace

void synchronous_transit_with(Evaluator evaluate) {
  Transit t;
  int head[2] = {0, 0};
  if (is_master) {
    std::printf("\n -------------------------------------------\n Synchronous Transit in Internal Coordinates\n"
                " -------------------------------------------\n");
    t.o = load_optimize_options();
    head[0] = record_field(rec::Natom, &PerStructure::whole);
    head[1] = t.o.points;
  }
  mp_bcast(head, 2, MP_INT);
  const int n = head[0], m = 3 * n, np = std::max(head[1], 1);
  const bool here = is_master;
  const std::int64_t kc = here ? std::int64_t{kPathCoordinatesPerAtom} * n + 1 : 1;
  PoolArray<InternalCoordinate> set(kc);
  PoolArray<double> w(kc), r0(kc), delta(kc), px(here ? std::int64_t{np} * m : 1), pg(here ? std::int64_t{np} * m : 1),
      pe(np), ps(np), x(here ? m : 1),
      h(here ? packed_size(m) : 1), h0(here ? packed_size(m) : 1), g_prev(here ? m : 1), dx(here ? m : 1);
  if (is_master) {
    t.n = n, t.m = m, t.points = head[1];
    t.mol = load_molecule(0, "Molecule");
    t.set = set.data(), t.w = w.data(), t.r0 = r0.data(), t.delta = delta.data(), t.px = px.data();
    t.pe = pe.data(), t.pg = pg.data(), t.ps = ps.data(), t.x = x.data(), t.h = h.data(), t.h0 = h0.data();
    t.g_prev = g_prev.data(), t.dx = dx.data();
    t.keep = path_keep_for("TRANSIT");
    set_up(t);
    resume(t);
  }
  drive_evaluations(
      evaluate,
      [&] {
        if (t.done) return kPathDone;
        place(t);
        return 1;
      },
      [&] { absorb(t); });
  int top = 0;
  if (is_master) top = list_chain(t);
  mp_bcast(&top, 1, MP_INT);
  if (top > 0) run_optimization_with(evaluate);
  // The file serves an interrupted run only.
  if (is_master) path_keep_remove(t.keep);
}

void synchronous_transit() { synchronous_transit_with(evaluate); }

}  // namespace ostrel
