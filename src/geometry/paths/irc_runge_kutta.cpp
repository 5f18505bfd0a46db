#include "geometry/paths/irc_runge_kutta.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/optimize_common.hpp"
#include "geometry/optimize_options.hpp"
#include "geometry/optimize_records.hpp"
#include "geometry/paths/energy_profile.hpp"
#include "geometry/paths/mass_weighting.hpp"
#include "geometry/paths/path_driver.hpp"
#include "geometry/paths/path_keep.hpp"
#include "geometry/paths/path_print.hpp"
#include "geometry/paths/projected_hessian.hpp"
#include "geometry/paths/start_hessian.hpp"
#include "geometry/step_tools.hpp"
#include "input/energy_driver.hpp"
#include "linalg/vector_ops.hpp"
#include "model/molecule_record.hpp"
#include "model/molecule_writer.hpp"
#include "model/structure_print.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

// Master state. Vectors are mass-weighted.
struct Rk {
  OptimizeOptions o;
  Molecule mol;
  int n = 0, m = 0, k = 0, stage = 0;
  double h = 0, sigma = 1, curvature = 0, s = 0;
  bool last = false, final_point = false, done = false;
  double *root, *x, *y, *dir, *kk, *g1, *mode, *pe, *ps, *px;
  PathKeep keep;
};

// Path.T after the next point's start x (mass-weighted): s, h, sigma, curvature and the flags.
constexpr int kRkState = 7;

void print_vector(int m, const double* v) {
  for (int i = 0; i < m; ++i) std::printf(" %10.6lf%s", v[i], (i + 1) % 6 == 0 || i + 1 == m ? "\n" : "");
}

// Master: the followed mode of the mass-weighted, projected Hessian.
void start_mode(Rk& r) {
  const int m = r.m;
  PoolArray<double> hx(packed_size(m)), vec(std::int64_t{m} * m), val(m);
  record_read(rec::Hessian, hx.data(), packed_size(m));
  mass_weight_packed(m, r.root, -1, hx.data());
  projected_modes(r.n, r.root, r.x, hx.data(), vec.data(), val.data());
  std::printf(" h:\n");
  print_vector(m, val.data());
  std::printf(" V:\n");
  for (int i = 0; i < m; ++i) print_vector(m, vec.data() + std::int64_t{i} * m);
  std::printf("h=%12.8lf\n", val[0]);
  const int follow = std::clamp(r.o.follow, 0, m - 1);
  // With the eigenvector's largest component made positive the path leaves against it, the
  // side the task IRC takes, so that both tasks of one input follow the same branch (the
  // eigensolver's signs are arbitrary).
  vec_copy(m, vec.data() + std::int64_t{follow} * m, r.mode);
  const bool positive = r.mode[vec_index_max_abs(m, r.mode)] > 0.0;
  vec_scale(m, (r.o.back != 0) == positive ? 1.0 : -1.0, r.mode);
  r.sigma = val[follow] < 0.0 ? -1.0 : 1.0;
  r.curvature = val[follow];
}

// Master: geometry of the current stage into "Molecule".
void place(Rk& r) {
  const int m = r.m;
  vec_copy(m, r.x, r.y);
  const double f[4] = {0.0, 0.5, 0.5, 1.0};
  if (r.stage > 0) vec_axpy(m, f[r.stage] * r.h, r.kk + std::int64_t{r.stage - 1} * m, r.y);
  PoolArray<double> xc(m);
  mass_weight_vector(m, r.root, -1, r.y, xc.data());
  write_geometry(r.mol, xc.data());
  if (r.stage == 0) {
    std::printf("\n");
    write_molecule_group(r.mol, "mol>", 1);
    print_coordinates(r.mol.z, r.mol.xyz, r.n, 1);
  }
  record_put(rec::grid_adapt, r.stage == 0 ? 1 : 0);
}

void finish_step(Rk& r) {
  const int m = r.m;
  const double* k1 = r.kk;
  std::printf(" g:\n");
  print_vector(m, r.g1);
  double moved = 0.0;
  for (int i = 0; i < m; ++i) {
    const double dx = r.h * (k1[i] + 2 * r.kk[m + i] + 2 * r.kk[2 * m + i] + r.kk[3 * m + i]) / 6.0;
    r.x[i] += dx;
    moved += dx * dx;
  }
  // The distance is the one moved: unit stage directions that disagree (a curved valley, as
  // HCN's near the saddle point) move the point less than h.
  moved = std::sqrt(moved);
  r.s += r.o.back ? -moved : moved;
  ++r.k;
  r.stage = 0;
  if (r.k > r.o.points) r.done = true;
  else if (r.last) r.final_point = true;
  // The points done and where the next one starts, for a run of the same input.
  const double state[kRkState] = {r.s, r.h, r.sigma, r.curvature, r.last ? 1.0 : 0.0,
                                    r.final_point ? 1.0 : 0.0, r.done ? 1.0 : 0.0};
  path_keep_put_points(r.k, m, r.px, r.pe, r.ps);
  record_write(rec::Path_T, r.x, m);
  record_write(rec::Path_T, state, kRkState, m);
  path_keep_save(r.keep);
}

// Master: the points kept by an earlier run of the same input; false when there are none.
bool resume(Rk& r, int points) {
  const int m = r.m;
  path_keep_records(points, m, m + kRkState);
  r.k = path_keep_resume(r.keep, points);
  if (r.k < 1) return false;
  double state[kRkState];
  path_keep_get_points(r.k, m, r.px, r.pe, r.ps);
  record_read(rec::Path_T, r.x, m);
  record_read(rec::Path_T, state, kRkState, m);
  r.s = state[0], r.h = state[1], r.sigma = state[2], r.curvature = state[3];
  r.last = state[4] != 0.0, r.final_point = state[5] != 0.0, r.done = state[6] != 0.0;
  std::printf("\n continuing the path after point %d (kept in %s)\n", r.k - 1, r.keep.path.c_str());
  return true;
}

// Master, after the evaluation of a stage.
void absorb(Rk& r) {
  const int m = r.m;
  PoolArray<double> g(m);
  record_read(rec::Gradient, g.data(), m);
  mass_weight_vector(m, r.root, -1, g.data(), g.data());
  const double norm = std::sqrt(vec_dot(m, g.data(), g.data()));
  double* k_here = r.kk + std::int64_t{r.stage} * m;
  if (r.stage == 0) {
    const double e = record_get(rec::Energy);
    r.pe[r.k] = e;
    r.ps[r.k] = r.s;
    mass_weight_vector(m, r.root, -1, r.x, r.px + std::int64_t{r.k} * m);
    std::printf("IRC> path point %2d: distance = %12.8lf Energy = %14.8lf\n", r.k, r.s, e);
    vec_copy(m, g.data(), r.g1);
    if (r.final_point) {
      ++r.k;
      r.done = true;
      return;
    }
    if (r.k == 0) {
      vec_copy(m, r.mode, k_here);
    } else {
      vec_copy(m, g.data(), k_here);
      vec_scale(m, r.sigma / norm, k_here);
      const double d0 = norm / r.curvature;
      std::printf("d0=%12.8lf\n", d0);
      if (r.sigma * d0 < 0.0 && std::fabs(d0) < r.h) r.h = std::fabs(d0), r.last = true;
    }
  } else {
    vec_copy(m, g.data(), k_here);
    vec_scale(m, norm > 0.0 ? r.sigma / norm : 0.0, k_here);
    if (r.stage == 1) {
      // Curvature along the path from the first two stages.
      PoolArray<double> dg(m);
      for (int i = 0; i < m; ++i) dg[i] = g[i] - r.g1[i];
      r.curvature = 2.0 * vec_dot(m, dg.data(), r.kk) / r.h;
      std::printf("h=%12.8lf\n", r.curvature);
      print_vector(m, r.kk);
    }
  }
  if (++r.stage == 4) finish_step(r);
}

}  // namespace

void irc_runge_kutta_with(Evaluator evaluate) {
  Rk r;
  int head[1] = {0};
  if (is_master) {
    r.o = load_optimize_options();
    head[0] = record_field(rec::Natom, &PerStructure::whole);
    std::printf("\n ----------------------------------------\n Reaction Path by Runge-Kutta Integration\n"
                " ----------------------------------------\n");
  }
  mp_bcast(head, 1, MP_INT);
  const int n = head[0], m = 3 * n, points = is_master ? r.o.points + 1 : 1;
  const bool here = is_master;
  PoolArray<double> root(here ? m : 1), x(here ? m : 1), y(here ? m : 1), kk(here ? 4 * m : 1), g1(here ? m : 1),
      mode(here ? m : 1), pe(points), ps(points), px(here ? std::int64_t{points} * m : 1);
  int resumed = 0;
  if (is_master) {
    r.n = n, r.m = m;
    r.mol = load_molecule(0, "Molecule");
    r.root = root.data(), r.x = x.data(), r.y = y.data(), r.kk = kk.data(), r.g1 = g1.data();
    r.mode = mode.data(), r.pe = pe.data(), r.ps = ps.data(), r.px = px.data();
    coordinate_mass_roots(n, r.mol.mass, r.root);
    mass_weight_vector(m, r.root, 1, r.mol.xyz, r.x);
    r.h = 2.0 * r.o.radius[0];
    r.keep = path_keep_for("IRC4");
    resumed = resume(r, points);
  }
  // A continued path needs neither the start's Hessian nor its mode.
  mp_bcast(&resumed, 1, MP_INT);
  const int have_start = resumed ? 0 : provide_start_hessian(evaluate);
  if (is_master && !resumed) start_mode(r);
  drive_evaluations(
      evaluate,
      [&] {
        if (r.done) return kPathDone;
        if (r.k == 0 && r.stage == 0 && have_start) return kPathStored;
        place(r);
        return 1;
      },
      [&] { absorb(r); });
  if (!is_master) return;
  const int np = std::min(r.k, r.o.points + 1);
  std::printf("\n\n REACTION PATH:\n");
  for (int i = 0; i < np; ++i) {
    const int k = r.o.back ? np - 1 - i : i;
    std::printf("IRC> path point %2d: distance = %12.8lf Energy = %14.8lf\n", k, r.ps[k], r.pe[k]);
    print_path_structure(r.mol, r.px + std::int64_t{k} * m, "IRC>");
  }
  print_energy_profile(np, r.ps, r.pe);
  if (record_exists(rec::haveE)) record_set_field(rec::haveE, &ResultsGiven::hessian, 0);
  // The file serves an interrupted run only.
  path_keep_remove(r.keep);
  release_molecule(r.mol);
  std::fflush(stdout);
}

void irc_runge_kutta() { irc_runge_kutta_with(evaluate); }

}  // namespace ostrel
