#include "geometry/paths/minimum_energy_path.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/model_hessian.hpp"
#include "geometry/optimize_common.hpp"
#include "geometry/optimize_options.hpp"
#include "geometry/paths/energy_profile.hpp"
#include "geometry/paths/hypersphere_step.hpp"
#include "geometry/paths/mass_weighting.hpp"
#include "geometry/paths/path_coordinates.hpp"
#include "geometry/paths/path_keep.hpp"
#include "geometry/paths/path_print.hpp"
#include "geometry/step_tools.hpp"
#include "input/energy_driver.hpp"
#include "linalg/vector_ops.hpp"
#include "model/molecule_record.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

struct Chain {
  OptimizeOptions o;
  Molecule mol;
  int n = 0, m = 0, np = 0, cycle = 0, top = -1;
  int climber = -1;                    // the point that climbed last cycle
  double climb_g = 0, climb_step = 0;  // its tangential gradient and step then
  bool done = false;
  double *root, *x, *e, *g, *h, *xo, *go;  // per point: m, 1, m, m(m+1)/2, m, m (mass-weighted)
  PathKeep keep;
};

double* at(double* base, int k, std::int64_t size) { return base + k * size; }

// Rotation of b onto a (both centred) minimising the weighted distance: the quaternion of
// the largest eigenvalue of Horn's 4 x 4 matrix.
void align(int n, const double* w, const double* a, double* b) {
  double ca[3] = {0, 0, 0}, cb[3] = {0, 0, 0}, total = 0;
  for (int i = 0; i < n; ++i) {
    total += w[i];
    for (int c = 0; c < 3; ++c) ca[c] += w[i] * a[3 * i + c], cb[c] += w[i] * b[3 * i + c];
  }
  for (int c = 0; c < 3; ++c) ca[c] /= total, cb[c] /= total;
  double s[3][3] = {};
  for (int i = 0; i < n; ++i)
    for (int p = 0; p < 3; ++p)
      for (int q = 0; q < 3; ++q) s[p][q] += w[i] * (b[3 * i + p] - cb[p]) * (a[3 * i + q] - ca[q]);
  const double k[4][4] = {
      {s[0][0] + s[1][1] + s[2][2], s[1][2] - s[2][1], s[2][0] - s[0][2], s[0][1] - s[1][0]},
      {s[1][2] - s[2][1], s[0][0] - s[1][1] - s[2][2], s[0][1] + s[1][0], s[2][0] + s[0][2]},
      {s[2][0] - s[0][2], s[0][1] + s[1][0], -s[0][0] + s[1][1] - s[2][2], s[1][2] + s[2][1]},
      {s[0][1] - s[1][0], s[2][0] + s[0][2], s[1][2] + s[2][1], -s[0][0] - s[1][1] + s[2][2]}};
  double packed[10], vec[16], val[4];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j <= i; ++j) packed[packed_index(i, j)] = -k[i][j];  // lowest of -K
  eigen_local(packed, vec, val, 4);
  const double q0 = vec[0], q1 = vec[1], q2 = vec[2], q3 = vec[3];
  const double r[3][3] = {{q0 * q0 + q1 * q1 - q2 * q2 - q3 * q3, 2 * (q1 * q2 - q0 * q3), 2 * (q1 * q3 + q0 * q2)},
                          {2 * (q1 * q2 + q0 * q3), q0 * q0 - q1 * q1 + q2 * q2 - q3 * q3, 2 * (q2 * q3 - q0 * q1)},
                          {2 * (q1 * q3 - q0 * q2), 2 * (q2 * q3 + q0 * q1), q0 * q0 - q1 * q1 - q2 * q2 + q3 * q3}};
  for (int i = 0; i < n; ++i) {
    double d[3];
    for (int c = 0; c < 3; ++c) d[c] = b[3 * i + c] - cb[c];
    for (int c = 0; c < 3; ++c) b[3 * i + c] = ca[c] + r[c][0] * d[0] + r[c][1] * d[1] + r[c][2] * d[2];
  }
}

// Master: the starting chain, in plain cartesian coordinates.
void initial_chain(Chain& c) {
  const int m = c.m, nguess = record_get(rec::Path_Nguess);
  if (nguess < 2) fatal_error("\n PATH needs two structures (two $molecule groups), not %d\n", nguess);
  if (c.np < 3) fatal_error("\n PATH: points=%d, at least 3 (the ends and one point between)\n", c.np);
  if (nguess == c.np) {
    std::printf("\n Initial Set of Structures:\n");
    record_read(rec::Path_Xguess, c.x, std::int64_t{c.np} * m);
    PoolArray<double> w(c.n);
    for (int a = 0; a < c.n; ++a) w[a] = c.o.massw ? c.mol.mass[a] : 1.0;
    for (int k = 1; k < c.np; ++k) align(c.n, w.data(), at(c.x, k - 1, m), at(c.x, k, m));
  } else {
    std::printf("\n Interpolation between 2 Input Structures:\n");
    double* a = c.x;
    double* b = at(c.x, c.np - 1, m);
    record_read(rec::Path_Xguess, a, m);
    record_read(rec::Path_Xguess, b, m, std::int64_t{nguess - 1} * m);
    const std::int64_t kc = std::int64_t{kPathCoordinatesPerAtom} * c.n + 1;
    PoolArray<InternalCoordinate> set(kc);
    PoolArray<double> ra(kc), rb(kc), w(kc), target(kc);
    const int count = two_structure_coordinates(c.n, c.mol.z, a, b, c.o.nk, set.data());
    interpolation_ends(count, set.data(), a, b, ra.data(), rb.data());
    for (int i = 0; i < count; ++i) w[i] = set[i].type == 1 ? c.o.wr[0] : set[i].type == 2 ? c.o.wr[1] : c.o.wr[2];
    for (int k = 1; k + 1 < c.np; ++k) {
      const double s = static_cast<double>(k) / (c.np - 1);
      for (int i = 0; i < count; ++i) target[i] = ra[i] + s * (rb[i] - ra[i]);
      vec_copy(m, at(c.x, k - 1, m), at(c.x, k, m));
      interpolated_structure(c.n, count, set.data(), w.data(), target.data(), at(c.x, k, m));
    }
    PoolArray<double> wm(c.n);
    for (int a2 = 0; a2 < c.n; ++a2) wm[a2] = c.o.massw ? c.mol.mass[a2] : 1.0;
    align(c.n, wm.data(), at(c.x, c.np - 2, m), b);
  }
  for (int k = 0; k < c.np; ++k) {
    std::printf("\n\n Structure #%2d:\n\n", k + 1);
    print_path_structure(c.mol, at(c.x, k, m), "mol>");
    PoolArray<double> hk(packed_size(m));
    cartesian_model_hessian(c.n, c.mol.z, at(c.x, k, m), hk.data());
    mass_weight_packed(m, c.root, -1, hk.data());
    vec_copy(packed_size(m), hk.data(), at(c.h, k, packed_size(m)));
    mass_weight_vector(m, c.root, 1, at(c.x, k, m), at(c.x, k, m));
  }
}

// Upwind tangent of point k (Henkelman and Jonsson), unit length.
void tangent(const Chain& c, int k, double* t) {
  const int m = c.m;
  const double* xm = c.x + std::int64_t{k - 1} * m;
  const double* x0 = c.x + std::int64_t{k} * m;
  const double* xp = c.x + std::int64_t{k + 1} * m;
  const double em = c.e[k - 1], e0 = c.e[k], ep = c.e[k + 1];
  PoolArray<double> tp(m), tm(m);
  for (int i = 0; i < m; ++i) tp[i] = xp[i] - x0[i], tm[i] = x0[i] - xm[i];
  if (ep > e0 && e0 > em) {
    vec_copy(m, tp.data(), t);
  } else if (ep < e0 && e0 < em) {
    vec_copy(m, tm.data(), t);
  } else {
    const double big = std::max(std::fabs(ep - e0), std::fabs(em - e0)), small = std::min(std::fabs(ep - e0), std::fabs(em - e0));
    const double wp = ep > em ? big : small, wm = ep > em ? small : big;
    for (int i = 0; i < m; ++i) t[i] = wp * tp[i] + wm * tm[i];
  }
  const double norm = std::sqrt(vec_dot(m, t, t));
  if (norm > 0.0) vec_scale(m, 1.0 / norm, t);
}

// Master, after every point is evaluated: the steps of one cycle.
void cycle_step(Chain& c) {
  const int m = c.m;
  const std::int64_t pm = packed_size(m);
  std::printf("\n\n Optimization Cycle %2d:\n", c.cycle + 1);
  // BFGS from each point's last move.
  if (c.cycle > 0)
    for (int k = 0; k < c.np; ++k) {
      PoolArray<double> dx(m), dg(m);
      for (int i = 0; i < m; ++i) dx[i] = c.x[k * std::int64_t{m} + i] - c.xo[k * std::int64_t{m} + i];
      if (std::sqrt(vec_dot(m, dx.data(), dx.data())) < c.o.tolerance[0]) continue;
      for (int i = 0; i < m; ++i) dg[i] = c.g[k * std::int64_t{m} + i] - c.go[k * std::int64_t{m} + i];
      update_hessian(m, at(c.h, k, pm), dx.data(), dg.data(), HessianUpdate::BFGS);
    }
  c.top = -1;
  if (c.o.maximize) {
    c.top = static_cast<int>(std::max_element(c.e, c.e + c.np) - c.e);
    std::printf(" point %2d is chosen for maximization\n", c.top);
    if (c.top == 0 || c.top == c.np - 1) {
      std::printf("\n nmax=%d!\n", c.top);
      fatal_error("\n the highest point is an end of the chain: no barrier between the structures\n");
    }
  }
  double gworst = 0.0, dworst = 0.0, s = 0.0;
  const double trust = c.o.trust[0] / 2;
  PoolArray<double> step(std::int64_t{c.np} * m), t(m), p(7 * std::int64_t{m}), hp(pm), u(std::int64_t{m} * m),
      val(m), gm(m), sm(m);
  vec_set(std::int64_t{c.np} * m, 0.0, step.data());
  for (int k = 0; k < c.np; ++k) {
    const bool end = k == 0 || k == c.np - 1;
    if (end && !c.o.minimize[k == 0 ? 0 : 1]) continue;
    double* x = at(c.x, k, m);
    const double* g = at(c.g, k, m);
    int nt = mass_weighted_external_motions(c.n, c.root, x, p.data());
    double gt = 0.0;
    if (!end) {
      tangent(c, k, t.data());
      double* held = p.data() + std::int64_t{nt} * m;
      vec_copy(m, t.data(), held);
      for (int a = 0; a < nt; ++a) vec_axpy(m, -vec_dot(m, p.data() + std::int64_t{a} * m, held), p.data() + std::int64_t{a} * m, held);
      vec_scale(m, 1.0 / std::sqrt(vec_dot(m, held, held)), held);
      ++nt;
      gt = vec_dot(m, g, t.data());
    }
    vec_copy(pm, at(c.h, k, pm), hp.data());
    for (int a = 0; a < nt; ++a)
      for (int i = 0; i < m; ++i)
        for (int j = 0; j <= i; ++j) hp[packed_index(i, j)] += 100.0 * p[std::int64_t{a} * m + i] * p[std::int64_t{a} * m + j];
    eigen_local(hp.data(), u.data(), val.data(), m);
    const int nfree = m - nt;
    for (int i = 0; i < nfree; ++i) gm[i] = vec_dot(m, u.data() + std::int64_t{i} * m, g);
    double predicted = 0.0;
    vec_set(m, 0.0, sm.data());
    trust_region_step(nfree, gm.data(), val.data(), trust, sm.data(), &predicted);
    double* dx = at(step.data(), k, m);
    for (int i = 0; i < nfree; ++i) vec_axpy(m, sm[i], u.data() + std::int64_t{i} * m, dx);
    double gk = vec_max_norm(nfree, gm.data());
    if (!end) {
      double along;
      if (k == c.top) {
        // Newton for the maximum along the tangent, with the curvature from the change of
        // the tangential gradient over the last climb (the BFGS model stays positive);
        // uphill at most half the trust radius.
        const double curv = c.climber == k && c.climb_step != 0.0 ? (gt - c.climb_g) / c.climb_step : 0.0;
        along = curv < 0.0 ? -gt / curv : (gt > 0.0 ? 1.0 : -1.0) * trust / 2;
        along = std::clamp(along, -trust / 2, trust / 2);
        c.climber = k, c.climb_g = gt, c.climb_step = along;
        gk = std::max(gk, std::fabs(gt));
      } else {
        // Halfway to even spacing.
        const double* xp = at(c.x, k + 1, m);
        const double* xm = at(c.x, k - 1, m);
        double dp = 0.0, dm = 0.0;
        for (int i = 0; i < m; ++i) dp += (xp[i] - x[i]) * (xp[i] - x[i]), dm += (x[i] - xm[i]) * (x[i] - xm[i]);
        along = 0.5 * (std::sqrt(dp) - std::sqrt(dm));
      }
      vec_axpy(m, along, t.data(), dx);
    }
    if (k > 0) s += std::sqrt([&] {
      double d = 0.0;
      for (int i = 0; i < m; ++i) d += (x[i] - c.x[(k - 1) * std::int64_t{m} + i]) * (x[i] - c.x[(k - 1) * std::int64_t{m} + i]);
      return d;
    }());
    std::printf(" pt. %2d: s = %12.8lf, E = %14.9lf, g(t) = %9.6lf, g = %12.9lf\n", k, s, c.e[k], gt,
                std::sqrt(vec_dot(m, g, g)));
    std::printf(" pt. %2d: dx = %10.8lf\n", k, std::sqrt(vec_dot(m, dx, dx)));
    gworst = std::max(gworst, gk);
    dworst = std::max(dworst, vec_max_norm(m, dx));
  }
  const bool gok = gworst < c.o.tolerance[0], dok = dworst < c.o.tolerance[1];
  const char* blank = "            ";
  std::printf("gradient = %10.8lf%s displacement = %10.8lf%s\n", gworst, gok ? " (converged)" : blank, dworst,
              dok ? " (converged)" : blank);
  vec_copy(std::int64_t{c.np} * m, c.x, c.xo);
  vec_copy(std::int64_t{c.np} * m, c.g, c.go);
  if (gok && dok) {
    std::printf("\n OPTIMIZATION CONVERGED!\n");
    c.done = true;
    return;
  }
  vec_axpy(std::int64_t{c.np} * m, 1.0, step.data(), c.x);
  std::printf("\nmol> New Set of Structures:\n");
  c.done = ++c.cycle >= c.o.max_steps;
}

// Master: the chain after a cycle's step, for a run of the same input that continues it.
void keep_chain(const Chain& c) {
  const std::int64_t all = std::int64_t{c.np} * c.m;
  const double state[3] = {static_cast<double>(c.climber), c.climb_g, c.climb_step};
  path_keep_put_points(c.np, c.m, c.x, c.e, nullptr);
  record_put(rec::Path_np, c.cycle);
  record_write(rec::Path_GX, c.g, all);
  record_write(rec::Path_Xo, c.xo, all);
  record_write(rec::Path_Go, c.go, all);
  record_write(rec::Path_H, c.h, c.np * packed_size(c.m));
  record_write(rec::Path_T, state, 3);
  path_keep_save(c.keep);
}

// Master: the chain kept by an earlier run of the same input; false when there is none.
bool resume(Chain& c) {
  const std::int64_t all = std::int64_t{c.np} * c.m;
  path_keep_records(c.np, c.m, 3);
  path_keep_chain_records(c.np, c.m, true);
  c.cycle = path_keep_resume(c.keep, c.o.max_steps);
  if (c.cycle < 1) return false;
  double state[3];
  path_keep_get_points(c.np, c.m, c.x, c.e, nullptr);
  record_read(rec::Path_GX, c.g, all);
  record_read(rec::Path_Xo, c.xo, all);
  record_read(rec::Path_Go, c.go, all);
  record_read(rec::Path_H, c.h, c.np * packed_size(c.m));
  record_read(rec::Path_T, state, 3);
  c.climber = static_cast<int>(state[0]), c.climb_g = state[1], c.climb_step = state[2];
  std::printf("\n continuing the path after cycle %d (kept in %s)\n", c.cycle, c.keep.path.c_str());
  return true;
}

}  // namespace

void minimum_energy_path_with(Evaluator evaluate) {
  Chain c;
  int head[2] = {0, 0};
  if (is_master) {
    std::printf("\n ================================\n Minimum Energy Path Optimization\n ================================\n");
    c.o = load_optimize_options();
    head[0] = record_field(rec::Natom, &PerStructure::whole);
    head[1] = c.o.points;
    std::printf("%3d atoms, %4d cartesian coordinates, %2d path points\n", head[0], 3 * head[0], head[1]);
    std::printf(" %s\n", c.o.massw ? "mass-weighted" : "no mass-weighting");
  }
  mp_bcast(head, 2, MP_INT);
  const int n = head[0], m = 3 * n, np = std::max(head[1], 1);
  const bool here = is_master;
  const std::int64_t all = here ? std::int64_t{np} * m : 1;
  PoolArray<double> root(here ? m : 1), x(all), e(np), g(all), h(here ? np * packed_size(m) : 1), xo(all), go(all),
      s(np), xc(here ? m : 1);
  if (is_master) {
    c.n = n, c.m = m, c.np = head[1];
    c.mol = load_molecule(0, "Molecule");
    c.root = root.data(), c.x = x.data(), c.e = e.data(), c.g = g.data(), c.h = h.data(), c.xo = xo.data();
    c.go = go.data();
    if (c.o.massw) coordinate_mass_roots(n, c.mol.mass, c.root);
    else vec_set(m, 1.0, c.root);
    c.keep = path_keep_for("PATH");
    if (!resume(c)) initial_chain(c);
  }
  int go_on = 1;
  while (go_on) {
    for (int k = 0; k < np; ++k) {
      // An end that does not move keeps its first energy and gradient.
      int fixed = 0;
      if (is_master) {
        fixed = c.cycle > 0 && (k == 0 || k == np - 1) && !c.o.minimize[k == 0 ? 0 : 1];
        mass_weight_vector(m, c.root, -1, at(c.x, k, m), xc.data());
        write_geometry(c.mol, xc.data());
        record_put(rec::grid_adapt, c.cycle == 0 && k == 0 ? record_get_or(rec::grid, 0) : 0);
      }
      mp_bcast(&fixed, 1, MP_INT);
      if (fixed) continue;
      evaluate(c.o.exact ? 2 : 1);
      if (!is_master) continue;
      c.e[k] = record_get(rec::Energy);
      record_read(rec::Gradient, at(c.g, k, m), m);
      mass_weight_vector(m, c.root, -1, at(c.g, k, m), at(c.g, k, m));
    }
    if (is_master) {
      cycle_step(c);
      if (!c.done) keep_chain(c);
      go_on = !c.done;
    }
    mp_bcast(&go_on, 1, MP_INT);
  }
  if (!is_master) return;
  std::printf("\n\n MINIMUM ENERGY PATH:\n");
  for (int k = 0; k < np; ++k) {
    std::printf("PATH> Path Point %2d: E = %14.8lf\n", k, c.e[k]);
    mass_weight_vector(m, c.root, -1, at(c.x, k, m), xc.data());
    print_path_structure(c.mol, xc.data(), "PATH>");
    s[k] = k == 0 ? 0.0 : s[k - 1] + std::sqrt([&] {
      double d = 0.0;
      for (int i = 0; i < m; ++i) d += (c.x[k * std::int64_t{m} + i] - c.x[(k - 1) * std::int64_t{m} + i]) *
                                       (c.x[k * std::int64_t{m} + i] - c.x[(k - 1) * std::int64_t{m} + i]);
      return d;
    }());
  }
  print_energy_profile(np, s.data(), c.e);
  // The file serves an interrupted run only.
  path_keep_remove(c.keep);
  release_molecule(c.mol);
  std::fflush(stdout);
}

void minimum_energy_path() { minimum_energy_path_with(evaluate); }

}  // namespace ostrel
