#include "geometry/paths/irc_runge_kutta.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "geometry/internal_frame.hpp"
#include "geometry/internal_generation.hpp"
#include "geometry/internal_variables.hpp"
#include "geometry/optimize_common.hpp"
#include "geometry/optimize_options.hpp"
#include "geometry/optimize_records.hpp"
#include "geometry/paths/energy_profile.hpp"
#include "geometry/paths/exponential_weights.hpp"
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

// The start's Hessian as internal curvature, for carrying it along the path: a torsion turns
// the directions of the stiff bonds and bends it holds, which a fixed cartesian matrix
// would not follow. Pool-backed (members in order of allocation); hs is the caller's.
struct StartCurvature {
  int count = 0;
  PoolArray<InternalCoordinate> set;
  PoolArray<double> w;
  const double* hs;
  std::unique_ptr<InternalFrame> frame;
  StartCurvature(int natom, const int* z, const double* xyz, const double* wr, const double* hessian)
      : set(COORDINATES_PER_ATOM * std::int64_t{natom}), w(COORDINATES_PER_ATOM * std::int64_t{natom}), hs(hessian) {
    count = generate_internal_coordinates(natom, z, xyz, set.data(), COORDINATES_PER_ATOM * natom);
    coordinate_weights(count, set.data(), wr, 0, nullptr, w.data());
    frame = std::make_unique<InternalFrame>(natom, count, set.data(), w.data(), xyz);
  }
};

// Master state. Vectors are mass-weighted; z are coordinates in the normal modes of the
// Hessian carried to the step's start x (rows of `vec`), relative to x: z0 the step's
// start, za its second stage, zs the stage placed last.
struct Rk {
  OptimizeOptions o;
  Molecule mol;
  int n = 0, m = 0, k = 0, stage = 0;
  double h = 0, sigma = 1, curvature = 0, s = 0, tau = 0, gain = 1, stiff = 0;
  bool last = false, final_point = false, done = false, capped = false;
  double *root, *x, *xs, *hs, *vec, *lam, *rate, *z0, *za, *zs, *nn, *g1, *mode, *pe, *ps, *px;
  PathKeep keep;
};

// Path.T after the next point's start x (mass-weighted): s, h, sigma, curvature and the
// flags, the step-length gain, the stiffness left to the stages, then the start xs
// (mass-weighted) and its cartesian Hessian (packed).
constexpr int kRkState = 9;

void print_vector(int m, const double* v) {
  for (int i = 0; i < m; ++i) std::printf(" %10.6lf%s", v[i], (i + 1) % 6 == 0 || i + 1 == m ? "\n" : "");
}

void to_modes(const Rk& r, const double* x, double* z) {
  for (int i = 0; i < r.m; ++i) {
    z[i] = 0.0;
    for (int j = 0; j < r.m; ++j) z[i] += r.vec[std::int64_t{i} * r.m + j] * (x[j] - r.x[j]);
  }
}

void from_modes(const Rk& r, const double* z, double* x) {
  vec_copy(r.m, r.x, x);
  for (int i = 0; i < r.m; ++i) vec_axpy(r.m, z[i], r.vec + std::int64_t{i} * r.m, x);
}

// Master: the followed mode of the mass-weighted, projected Hessian.
void start_mode(Rk& r) {
  const int m = r.m;
  PoolArray<double> hx(packed_size(m));
  record_read(rec::Hessian, r.hs, packed_size(m));
  vec_copy(packed_size(m), r.hs, hx.data());
  mass_weight_packed(m, r.root, -1, hx.data());
  projected_modes(r.n, r.root, r.x, hx.data(), r.vec, r.lam);
  std::printf(" h:\n");
  print_vector(m, r.lam);
  std::printf(" V:\n");
  for (int i = 0; i < m; ++i) print_vector(m, r.vec + std::int64_t{i} * m);
  std::printf("h=%12.8lf\n", r.lam[0]);
  const int follow = std::clamp(r.o.follow, 0, m - 1);
  // With the eigenvector's largest component made positive the path leaves against it, the
  // side the task IRC takes, so that both tasks of one input follow the same branch (the
  // eigensolver's signs are arbitrary).
  vec_copy(m, r.vec + std::int64_t{follow} * m, r.mode);
  const bool positive = r.mode[vec_index_max_abs(m, r.mode)] > 0.0;
  vec_scale(m, (r.o.back != 0) == positive ? 1.0 : -1.0, r.mode);
  r.sigma = r.lam[follow] < 0.0 ? -1.0 : 1.0;
  r.curvature = r.lam[follow];
  vec_copy(m, r.x, r.xs);
}

// The path is dx/dt = sigma g, in the step's modes dz/dt = c z + n(z). The curvatures that
// damp (sigma lambda < 0) go into the exactly integrated linear part c: the walls of the
// valley, stiff against the slow gradient along its floor, make explicit stages of unit
// gradient directions leave the floor (ethane's torsion: stage 4 of the first step ended
// 1e-2 hartree above the saddle point). The rest stays with n, except that the first step
// takes the followed mode's growth out of the saddle point as well.
void set_rates(Rk& r, bool first) {
  const int follow = std::clamp(r.o.follow, 0, r.m - 1);
  for (int i = 0; i < r.m; ++i) {
    const double c = r.sigma * r.lam[i];
    r.rate[i] = c < 0.0 || (first && i == follow) ? c : 0.0;
  }
}

// (exp(c t) - 1) / c: how far one unit of dz/dt moves in time t.
double reach(double c, double t) { return c == 0.0 ? t : std::expm1(c * t) / c; }

// Time step whose exponential Euler estimate, with every curvature of the step's modes,
// moves the point h: to z0 + a step of slope c z0 + n1. Doubles, then halves; a path
// whose estimate cannot reach h (all of the slope is damped) ends with the step to rest.
double step_time(Rk& r, const double* n1) {
  const int m = r.m;
  auto moved = [&](double t) {
    double d = 0.0;
    for (int i = 0; i < m; ++i) {
      const double slope = r.rate[i] * r.z0[i] + n1[i];
      const double v = r.z0[i] + (slope != 0.0 ? reach(r.sigma * r.lam[i], t) * slope : 0.0);
      d += v * v;
    }
    return std::sqrt(d);
  };
  // The estimate misses the step's length by a factor that changes slowly along the path;
  // the gain corrects it with the last step's.
  const double want = r.last ? r.h : r.h * r.gain;
  double slowest = 0.0;  // the damped modes come to rest after about 30 / slowest
  for (int i = 0; i < m; ++i)
    if (r.rate[i] < 0.0) slowest = slowest == 0.0 ? -r.rate[i] : std::min(slowest, -r.rate[i]);
  double lo = 0.0, hi = 1e-6;
  for (double before = 0.0, now = moved(hi); now < want; before = now, now = moved(hi)) {
    // Saturated: every mode the gradient has is damped, so the step ends where the linear
    // part comes to rest; a longer time would only stretch the other modes' slopes.
    if ((slowest > 0.0 && hi * slowest > 30.0 && now - before < 1e-6 * want) || hi > 1e30) {
      r.last = true;
      return hi;
    }
    lo = hi, hi *= 2.0;
  }
  for (int it = 0; it < 200 && hi - lo > 1e-13 * hi; ++it) {
    const double mid = 0.5 * (lo + hi);
    (moved(mid) < want ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

// Modes of stage `stage` (1-3) of the step from z0 with the slopes n of the earlier stages.
void stage_modes(const Rk& r, int stage, double* z) {
  const int m = r.m;
  const double* n = r.nn;
  for (int i = 0; i < m; ++i) {
    const ExponentialWeights w = exponential_weights(r.rate[i], r.tau);
    if (stage == 1) z[i] = w.e2 * r.z0[i] + w.q * n[i];
    if (stage == 2) z[i] = w.e2 * r.z0[i] + w.q * n[m + i];
    if (stage == 3) z[i] = w.e2 * r.za[i] + w.q * (2.0 * n[2 * m + i] - n[i]);
  }
}

// Master: geometry of the current stage into "Molecule".
void place(Rk& r) {
  const int m = r.m;
  PoolArray<double> y(m), xc(m);
  if (r.stage == 0) {
    vec_copy(m, r.x, y.data());
  } else {
    stage_modes(r, r.stage, r.zs);
    if (r.stage == 1) vec_copy(m, r.zs, r.za);
    from_modes(r, r.zs, y.data());
  }
  mass_weight_vector(m, r.root, -1, y.data(), xc.data());
  write_geometry(r.mol, xc.data());
  if (r.stage == 0) {
    std::printf("\n");
    write_molecule_group(r.mol, "mol>", 1);
    print_coordinates(r.mol.z, r.mol.xyz, r.n, 1);
  }
  record_put(rec::grid_adapt, r.stage == 0 ? 1 : 0);
}

void save_state(const Rk& r) {
  const int m = r.m;
  const double state[kRkState] = {r.s, r.h, r.sigma, r.curvature, r.last ? 1.0 : 0.0,
                                    r.final_point ? 1.0 : 0.0, r.done ? 1.0 : 0.0, r.gain, r.stiff};
  path_keep_put_points(r.k, m, r.px, r.pe, r.ps);
  record_write(rec::Path_T, r.x, m);
  record_write(rec::Path_T, state, kRkState, m);
  record_write(rec::Path_T, r.xs, m, m + kRkState);
  record_write(rec::Path_T, r.hs, packed_size(m), 2 * m + kRkState);
  path_keep_save(r.keep);
}

void finish_step(Rk& r) {
  const int m = r.m;
  std::printf(" g:\n");
  print_vector(m, r.g1);
  PoolArray<double> z(m), x(m);
  const double* n = r.nn;
  for (int i = 0; i < m; ++i) {
    const ExponentialWeights w = exponential_weights(r.rate[i], r.tau);
    z[i] = w.e * r.z0[i] + w.f1 * n[i] + 2.0 * w.f2 * (n[m + i] + n[2 * m + i]) + w.f3 * n[3 * m + i];
  }
  from_modes(r, z.data(), x.data());
  // The distance is the one moved: in a curved valley, as HCN's near the saddle point, the
  // step is shorter than h.
  double moved = 0.0;
  for (int i = 0; i < m; ++i) moved += (x[i] - r.x[i]) * (x[i] - r.x[i]);
  vec_copy(m, x.data(), r.x);
  moved = std::sqrt(moved);
  if (!r.last && !r.capped && r.k > 0 && moved > 0.0) r.gain = std::clamp(r.gain * r.h / moved, 0.25, 4.0);
  r.s += r.o.back ? -moved : moved;
  ++r.k;
  r.stage = 0;
  if (r.k > r.o.points) r.done = true;
  else if (r.last) r.final_point = true;
  // The points done and where the next one starts, for a run of the same input.
  save_state(r);
}

// Master: the points kept by an earlier run of the same input; false when there are none.
bool resume(Rk& r, int points) {
  const int m = r.m;
  path_keep_records(points, m, 2 * m + kRkState + packed_size(m));
  r.k = path_keep_resume(r.keep, points);
  if (r.k < 1) return false;
  double state[kRkState];
  path_keep_get_points(r.k, m, r.px, r.pe, r.ps);
  record_read(rec::Path_T, r.x, m);
  record_read(rec::Path_T, state, kRkState, m);
  record_read(rec::Path_T, r.xs, m, m + kRkState);
  record_read(rec::Path_T, r.hs, packed_size(m), 2 * m + kRkState);
  r.s = state[0], r.h = state[1], r.sigma = state[2], r.curvature = state[3];
  r.last = state[4] != 0.0, r.final_point = state[5] != 0.0, r.done = state[6] != 0.0, r.gain = state[7];
  r.stiff = state[8];
  std::printf("\n continuing the path after point %d (kept in %s)\n", r.k - 1, r.keep.path.c_str());
  return true;
}

// Master: the normal modes of the start's Hessian carried to the point x, whose cartesian
// gradient is gx (the internal gradient rebuilds the curvature's gradient term there).
void local_modes(Rk& r, const StartCurvature& start, const double* gx) {
  const int m = r.m;
  PoolArray<double> xc(m), gq(std::max(start.count, 1)), h(packed_size(m));
  mass_weight_vector(m, r.root, -1, r.x, xc.data());
  const InternalFrame here(r.n, start.count, start.set.data(), start.w.data(), xc.data());
  here.internal_gradient(gx, gq.data());
  vec_copy(packed_size(m), start.hs, h.data());
  transport_hessian(*start.frame, here, nullptr, gq.data(), h.data());
  mass_weight_packed(m, r.root, -1, h.data());
  projected_modes(r.n, r.root, r.x, h.data(), r.vec, r.lam);
}

// Largest tau times the stiffness left to the stages (fourth-order stages are stable to 2.8
// on the negative axis).
constexpr double kStageStability = 1.5;

// Master, at the point: sets up the step from it (z0, the first slope and the time step).
void start_step(Rk& r, const StartCurvature& start, const double* gx) {
  const int m = r.m;
  local_modes(r, start, gx);
  PoolArray<double> gz(m);
  for (int i = 0; i < m; ++i) gz[i] = vec_dot(m, r.vec + std::int64_t{i} * m, r.g1);
  const double norm = std::sqrt(vec_dot(m, r.g1, r.g1));
  set_rates(r, r.k == 0);
  // The modes are centred on the point, so the first slope is the gradient's alone.
  vec_set(m, 0.0, r.z0);
  for (int i = 0; i < m; ++i) r.nn[i] = r.sigma * gz[i];
  if (r.k == 0) {
    // Out of the saddle point, where the gradient vanishes, from a quarter step along the
    // mode: the slope there is the saddle point's to second order, with the mode's growth
    // in the linear part.
    PoolArray<double> tip(m);
    vec_copy(m, r.xs, tip.data());
    vec_axpy(m, 0.25 * r.h, r.mode, tip.data());
    to_modes(r, tip.data(), r.z0);
  } else {
    const double d0 = norm / r.curvature;
    std::printf("d0=%12.8lf\n", d0);
    if (r.sigma * d0 < 0.0 && std::fabs(d0) < r.h) r.h = std::fabs(d0), r.last = true;
  }
  r.tau = step_time(r, r.nn);
  // The curvature along the path is integrated explicitly where the carried Hessian keeps
  // the saddle point's sign; once the path's own measured curvature damps (the approach to
  // the minimum), the step must resolve it.
  if (r.k > 0 && r.sigma * r.curvature < 0.0) r.tau = std::min(r.tau, -1.0 / (r.sigma * r.curvature));
  // The carried curvatures drift from the true ones, and the stages take the difference
  // explicitly: stable while tau times it stays small. Near a minimum the gradient is small
  // and tau long, and HCN's path left the floor by 1e-4 hartree without this bound.
  const double bound = r.stiff > 0.0 ? kStageStability / r.stiff : r.tau;
  r.capped = r.k > 0 && bound < r.tau;
  if (r.capped) r.tau = bound;
}

// Master, after the evaluation of a stage.
void absorb(Rk& r, const StartCurvature& start) {
  const int m = r.m;
  PoolArray<double> gx(m), g(m), gz(m);
  record_read(rec::Gradient, gx.data(), m);
  mass_weight_vector(m, r.root, -1, gx.data(), g.data());
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
    start_step(r, start, gx.data());
  } else {
    for (int i = 0; i < m; ++i) gz[i] = vec_dot(m, r.vec + std::int64_t{i} * m, g.data());
    const double* z = r.zs;
    double* n = r.nn + std::int64_t{r.stage} * m;
    for (int i = 0; i < m; ++i) n[i] = r.sigma * gz[i] - r.rate[i] * z[i];
    if (r.stage == 1) {
      // Curvature along the path from the point (z = 0, where the first slope is sigma g1)
      // to the second stage.
      const double len2 = vec_dot(m, z, z);
      double dg = 0.0;
      for (int i = 0; i < m; ++i) dg += (gz[i] - r.sigma * r.nn[i]) * z[i];
      r.curvature = len2 > 0.0 ? dg / len2 : r.curvature;
      std::printf("h=%12.8lf\n", r.curvature);
      PoolArray<double> dx(m);
      vec_set(m, 0.0, dx.data());
      const double unit = 1.0 / std::sqrt(std::max(len2, 1e-300));
      for (int i = 0; i < m; ++i) vec_axpy(m, z[i] * unit, r.vec + std::int64_t{i} * m, dx.data());
      print_vector(m, dx.data());
    } else if (r.stage == 2) {
      // Stages 1 and 2 start alike and differ by q (n1 - n0): the change of the slope left to
      // the stages between them measures its stiffness along that direction.
      const double* n1 = r.nn + m;
      double dz2 = 0.0, dn2 = 0.0;
      for (int i = 0; i < m; ++i) {
        dz2 += (z[i] - r.za[i]) * (z[i] - r.za[i]);
        dn2 += (n[i] - n1[i]) * (n[i] - n1[i]);
      }
      if (dz2 > 0.0) r.stiff = std::sqrt(dn2 / dz2);
      std::printf("stiffness=%12.8lf\n", r.stiff);
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
  const std::int64_t mm = here ? std::int64_t{m} * m : 1, one = here ? m : 1;
  PoolArray<double> root(one), x(one), xs(one), hs(here ? packed_size(m) : 1), vec(mm), lam(one), rate(one),
      z0(one), za(one), zs(one), nn(4 * one),
      g1(one), mode(one), pe(points), ps(points), px(here ? std::int64_t{points} * m : 1);
  int resumed = 0;
  if (is_master) {
    r.n = n, r.m = m;
    r.mol = load_molecule(0, "Molecule");
    r.root = root.data(), r.x = x.data(), r.xs = xs.data(), r.hs = hs.data(), r.vec = vec.data(), r.lam = lam.data();
    r.rate = rate.data(), r.z0 = z0.data(), r.za = za.data(), r.zs = zs.data(), r.nn = nn.data(), r.g1 = g1.data();
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
  std::unique_ptr<StartCurvature> start;
  if (is_master) {
    mass_weight_vector(m, r.root, -1, r.xs, r.za);  // za: free until the first stage
    start = std::make_unique<StartCurvature>(n, r.mol.z, r.za, r.o.wr, r.hs);
  }
  drive_evaluations(
      evaluate,
      [&] {
        if (r.done) return kPathDone;
        if (r.k == 0 && r.stage == 0 && have_start) return kPathStored;
        place(r);
        return 1;
      },
      [&] { absorb(r, *start); });
  start.reset();  // before the molecule's block, which it follows in the pool
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
