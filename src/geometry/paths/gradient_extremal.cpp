#include "geometry/paths/gradient_extremal.hpp"

#include <cmath>
#include <cstdio>

#include "geometry/optimize_common.hpp"
#include "geometry/optimize_options.hpp"
#include "geometry/paths/energy_profile.hpp"
#include "geometry/paths/path_driver.hpp"
#include "geometry/paths/path_keep.hpp"
#include "geometry/paths/path_print.hpp"
#include "geometry/paths/projected_hessian.hpp"
#include "input/energy_driver.hpp"
#include "linalg/vector_ops.hpp"
#include "model/molecule_record.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

struct Extremal {
  OptimizeOptions o;
  Molecule mol;
  int n = 0, m = 0, k = 0, it = 0;
  bool done = false;
  double *ones, *x, *v, *px, *pe, *ps;
  PathKeep keep;
};

void print_modes(int m, const double* vec, const double* val) {
  std::printf(" eigenvalues of H:\n");
  for (int i = 0; i < m; ++i) std::printf(" %10.6lf%s", val[i], (i + 1) % 6 == 0 || i + 1 == m ? "\n" : "");
  std::printf(" eigenvectors of H:\n");
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < m; ++j) std::printf(" %10.6lf%s", vec[std::int64_t{i} * m + j], (j + 1) % 6 == 0 || j + 1 == m ? "\n" : "");
}

// Master: the points done and the direction followed, for a run of the same input.
void keep_points(const Extremal& r) {
  const int m = r.m;
  const double done = r.done ? 1.0 : 0.0;
  path_keep_put_points(r.k, m, r.px, r.pe, r.ps);
  record_write(rec::Path_T, r.v, m);
  record_write(rec::Path_T, &done, 1, m);
  path_keep_save(r.keep);
}

// Master: the points kept by an earlier run of the same input, the next one started.
void resume(Extremal& r, int points) {
  const int m = r.m;
  path_keep_records(points, m, m + 1);
  r.k = path_keep_resume(r.keep, points);
  if (r.k < 1) return;
  double done = 0;
  path_keep_get_points(r.k, m, r.px, r.pe, r.ps);
  record_read(rec::Path_T, r.v, m);
  record_read(rec::Path_T, &done, 1, m);
  r.done = done != 0.0;
  std::printf("\n continuing the path after point %d (kept in %s)\n", r.k - 1, r.keep.path.c_str());
  vec_copy(m, r.px + std::int64_t{r.k - 1} * m, r.x);
  vec_axpy(m, r.o.radius[0], r.v, r.x);
}

// Master, after a level-2 evaluation at x: one Newton step on the plane orthogonal to the
// followed mode, or the end of the point.
void absorb(Extremal& r) {
  const int m = r.m;
  const double energy = record_get(rec::Energy);
  PoolArray<double> g(m), h(packed_size(m)), vec(std::int64_t{m} * m), val(m), step(m);
  record_read(rec::Gradient, g.data(), m);
  record_read(rec::Hessian, h.data(), packed_size(m));
  projected_modes(r.n, r.ones, r.x, h.data(), vec.data(), val.data());
  if (r.k == 0 && r.it == 0) {
    print_modes(m, vec.data(), val.data());
    const int follow = r.o.follow < m ? r.o.follow : 0;
    vec_copy(m, vec.data() + std::int64_t{follow} * m, r.v);
    // The eigensolver's sign is arbitrary: the largest component positive, then back=1 turns it.
    if ((r.v[vec_index_max_abs(m, r.v)] < 0.0) != (r.o.back != 0)) vec_scale(m, -1.0, r.v);
  }
  // The mode most like the direction followed so far.
  int f = 0;
  double best = -1.0;
  for (int i = 0; i < m; ++i) {
    if (val[i] == 1000.0) continue;
    const double ov = std::fabs(vec_dot(m, vec.data() + std::int64_t{i} * m, r.v));
    if (ov > best) best = ov, f = i;
  }
  double* u = vec.data() + std::int64_t{f} * m;
  if (vec_dot(m, u, r.v) < 0.0) vec_scale(m, -1.0, u);
  // The gradient off the followed mode vanishes on the extremal.
  double off = 0.0;
  vec_set(m, 0.0, step.data());
  for (int i = 0; i < m; ++i) {
    if (i == f || val[i] == 1000.0) continue;
    const double gi = vec_dot(m, vec.data() + std::int64_t{i} * m, g.data());
    off += gi * gi;
    vec_axpy(m, -gi / val[i], vec.data() + std::int64_t{i} * m, step.data());
  }
  off = std::sqrt(off);
  const double gv = vec_dot(m, u, g.data());
  std::printf("\n --- Iteration %2d ---\n E = %15.8lf\nfunction=%12.10lf, gradient=%10.8lf\n", r.it + 1, energy, off,
              std::sqrt(vec_dot(m, g.data(), g.data())));
  const bool converged = r.k == 0 || (off < r.o.tolerance[0] && vec_max_norm(m, step.data()) < r.o.tolerance[1]);
  if (!converged && r.it + 1 < r.o.max_steps) {
    vec_axpy(m, 1.0, step.data(), r.x);
    ++r.it;
    return;
  }
  if (r.k > 0) std::printf("\n Converged in %d cycles!\n\n", r.it + 1);
  vec_copy(m, r.x, r.px + std::int64_t{r.k} * m);
  r.pe[r.k] = energy;
  r.ps[r.k] = r.k == 0 ? 0.0 : r.ps[r.k - 1] + r.o.radius[0];
  vec_copy(m, u, r.v);
  // Newton's distance to the next stationary point along the mode, when it lies ahead.
  const double d = -gv / val[f];
  if (r.k > 0) std::printf("estimated distance to a stationary point = %12.8lf\n", d);
  r.it = 0;
  ++r.k;
  r.done = r.k > r.o.points || (r.k > 1 && d > 0.0 && d < r.o.radius[0]);
  keep_points(r);
  if (r.done) return;
  std::printf("\n --------------------------------\n Optimization of Path Point #%3d:\n"
              " --------------------------------\n", r.k);
  vec_axpy(m, r.o.radius[0], r.v, r.x);
}

}  // namespace

void gradient_extremal_path_with(Evaluator evaluate) {
  Extremal r;
  int head[1] = {0};
  if (is_master) {
    std::printf("\n\n =====================================\n Calculation of Gradient Extremal Path\n"
                " =====================================\n");
    r.o = load_optimize_options();
    head[0] = record_field(rec::Natom, &PerStructure::whole);
  }
  mp_bcast(head, 1, MP_INT);
  const int n = head[0], m = 3 * n, points = is_master ? r.o.points + 1 : 1;
  const bool here = is_master;
  PoolArray<double> ones(here ? m : 1), x(here ? m : 1), v(here ? m : 1), px(here ? std::int64_t{points} * m : 1),
      pe(points), ps(points);
  if (is_master) {
    r.n = n, r.m = m;
    r.mol = load_molecule(0, "Molecule");
    r.ones = ones.data(), r.x = x.data(), r.v = v.data(), r.px = px.data(), r.pe = pe.data(), r.ps = ps.data();
    vec_set(m, 1.0, r.ones);
    vec_copy(m, r.mol.xyz, r.x);
    r.keep = path_keep_for("EXTREMAL");
    resume(r, points);
  }
  drive_evaluations(
      evaluate,
      [&] {
        if (r.done) return kPathDone;
        write_geometry(r.mol, r.x);
        record_put(rec::grid_adapt, r.it == 0 ? record_get_or(rec::grid, 0) : 0);
        return 2;
      },
      [&] { absorb(r); });
  if (!is_master) return;
  std::printf("\n GRADIENT EXTREMAL PATH:\n");
  for (int k = 0; k < r.k; ++k) {
    std::printf("PATH> n=%2d, E=%15.8lf\n", k, r.pe[k]);
    print_path_structure(r.mol, r.px + std::int64_t{k} * m, "PATH>");
  }
  print_energy_profile(r.k, r.ps, r.pe);
  if (record_exists(rec::haveE)) record_set_field(rec::haveE, &ResultsGiven::hessian, 0);
  // The file serves an interrupted run only.
  path_keep_remove(r.keep);
  release_molecule(r.mol);
  std::fflush(stdout);
}

void gradient_extremal_path() { gradient_extremal_path_with(evaluate); }

}  // namespace ostrel
