#include "geometry/internal_step.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/coordinate_kernel.hpp"
#include "geometry/internal_frame.hpp"
#include "geometry/internal_generation.hpp"
#include "geometry/internal_variables.hpp"
#include "geometry/optimize_common.hpp"
#include "geometry/optimize_options.hpp"
#include "geometry/optimize_records.hpp"
#include "geometry/step_tools.hpp"
#include "linalg/vector_ops.hpp"
#include "model/molecule_record.hpp"
#include "model/result_groups.hpp"
#include "model/structure_print.hpp"
#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

// Projection U^T H V_f and its eigen-decomposition; modes receives V_f U (vector-major).
void free_modes(const StepContext& c, const double* h, double* modes, double* curv) {
  const int m = c.m, nf = c.nfree;
  PoolArray<double> hv(std::max<std::int64_t>(std::int64_t{m} * nf, 1)), small(std::max<std::int64_t>(packed_size(nf), 1)),
      u(std::max<std::int64_t>(std::int64_t{nf} * nf, 1));
  for (int a = 0; a < nf; ++a) matrix_times_vector(m, h, 0, c.v + std::int64_t{a} * m, hv.data() + std::int64_t{a} * m, 1.0, 0.0);
  for (int a = 0; a < nf; ++a)
    for (int b = 0; b <= a; ++b) small[packed_index(a, b)] = vec_dot(m, c.v + std::int64_t{a} * m, hv.data() + std::int64_t{b} * m);
  eigen_local(small.data(), u.data(), curv, nf);
  vec_set(std::int64_t{m} * nf, 0.0, modes);
  for (int k = 0; k < nf; ++k)
    for (int a = 0; a < nf; ++a) vec_axpy(m, u[k * nf + a], c.v + std::int64_t{a} * m, modes + std::int64_t{k} * m);
}

// Internal gradient restricted to the free variables: W B V_f V_f^T g.
double free_gradient_max(const StepContext& c, const InternalFrame& f, const double* g) {
  PoolArray<double> dx(c.m), dq(std::max(c.count, 1));
  vec_set(c.m, 0.0, dx.data());
  for (int a = 0; a < c.nfree; ++a) vec_axpy(c.m, vec_dot(c.m, c.v + std::int64_t{a} * c.m, g), c.v + std::int64_t{a} * c.m, dx.data());
  f.to_internal(dx.data(), dq.data());
  double gmax = 0.0;
  for (int k = 0; k < c.count; ++k) gmax = std::max(gmax, std::fabs(c.w[k] * dq[k]));
  return gmax;
}

namespace {

// Model prediction H dq for an internal step: W B G^-1 (H - K) G^-1 B^T W dq.
void predicted_change(const InternalFrame& f, const double* hmodel, const double* dq, double* hdq) {
  const int m = 3 * f.atoms();
  PoolArray<double> dx(m), hdx(m);
  f.displacement(dq, dx.data());
  matrix_times_vector(m, hmodel, 0, dx.data(), hdx.data(), 1.0, 0.0);
  f.internal_gradient(hdx.data(), hdq);
}

}  // namespace

// BFGS or PSB over the stored points first..last, each dyad carried back through B^T.
// Returns the trust test ratio of the last pair.
double update_history(const StepContext& c, const InternalFrame& now, int first, const double* gq_now,
                      double* h) {
  const int count = c.count, m = c.m;
  PoolArray<double> q0(count), q1(count), g0(count), g1(count), dX(count), dG(count), hdX(count), k(std::max<std::int64_t>(packed_size(m), 1)),
      x(m), g(m), bx(m), by(m);
  double ratio = 0.0;
  for (int p = first; p < c.step; ++p) {
    // Internal values and gradients at points p and p + 1.
    for (int side = 0; side < 2; ++side) {
      record_read(rec::Opt_X, x.data(), m, std::int64_t{m} * (p + side));
      record_read(rec::Opt_G, g.data(), m, std::int64_t{m} * (p + side));
      InternalFrame f(c.n, count, c.set, c.w, x.data(), InternalFrame::Solve::Iterative);
      vec_copy(count, f.values(), side ? q1.data() : q0.data());
      f.internal_gradient(g.data(), side ? g1.data() : g0.data());
    }
    for (int a = 0; a < count; ++a) {
      dX[a] = q1[a] - q0[a];
      dG[a] = g1[a] - g0[a];
    }
    wrap_differences(count, c.set, dX.data());
    // The model's curvature without the gradient term it holds, that of the gradient found
    // here, for every pair: the term of an older point's gradient differs from it, and a
    // pair whose step the model finds nearly flat then took off a large dyad that no longer
    // matched (a curvature of -4.4 appeared in one step of an ethanol run).
    vec_copy(packed_size(m), h, k.data());
    now.subtract_gradient_term(gq_now, k.data());
    predicted_change(now, k.data(), dX.data(), hdX.data());
    const double hh = vec_dot(count, hdX.data(), hdX.data());
    ratio = hh > 0.0 ? vec_dot(count, dG.data(), hdX.data()) / hh - 1.0 : 0.0;
    double r2 = 0.0;
    for (int a = 0; a < count; ++a) r2 += (dG[a] - hdX[a]) * (dG[a] - hdX[a]);
    std::printf(" Hessian update: |dG| = %8.6lf, |dG - HdX| = %10.8lf\n",
                std::sqrt(vec_dot(count, dG.data(), dG.data())), std::sqrt(r2));
    if (c.o.exact) continue;
    now.transpose(dG.data(), by.data());
    now.transpose(hdX.data(), bx.data());
    const double gx = vec_dot(count, dG.data(), dX.data()), xhx = vec_dot(count, dX.data(), hdX.data());
    // BFGS keeps a positive model positive. Where the surface curves up along the step but
    // the model does not (its curvature there went negative, for instance through a gradient
    // term that changed), PSB still makes the model reproduce the gradient change: skipping
    // the update would leave the wrong curvature that the next steps keep bouncing on. A
    // step along which the surface curves down teaches a minimisation nothing safe.
    const double dd = vec_dot(count, dX.data(), dX.data()), yy = vec_dot(count, dG.data(), dG.data());
    if (!c.o.saddle && !(gx > 1e-12 * std::sqrt(dd * yy))) continue;
    const bool bfgs = !c.o.saddle && xhx > 0.0;
    if (bfgs) {
      for (int a = 0; a < m; ++a)
        for (int b = 0; b <= a; ++b) h[packed_index(a, b)] += by[a] * by[b] / gx - bx[a] * bx[b] / xhx;
    } else {
      if (!(dd > 0.0)) continue;
      PoolArray<double> r(count), br(m), bd(m);
      for (int a = 0; a < count; ++a) r[a] = dG[a] - hdX[a];
      const double rx = vec_dot(count, r.data(), dX.data());
      now.transpose(r.data(), br.data());
      now.transpose(dX.data(), bd.data());
      for (int a = 0; a < m; ++a)
        for (int b = 0; b <= a; ++b)
          h[packed_index(a, b)] += (br[a] * bd[b] + bd[a] * br[b]) / dd - rx * bd[a] * bd[b] / (dd * dd);
    }
  }
  return ratio;
}

double new_trust(const StepContext& c, double de, double ratio, double gmax_x) {
  double t = c.o.trust[2];
  const double r = std::fabs(ratio);
  if (!c.o.saddle) {
    // The gradient test divides by the predicted gradient change, which vanishes along a
    // flat mode (a methyl rotor near its inflection); there a step that lowered the energy
    // as much as the model said it would is a good step whatever that ratio claims.
    const double predicted = record_get(rec::Opt_dE);
    const bool as_predicted = de < 0.0 && predicted < 0.0 && de > 2.0 * predicted && de < 0.5 * predicted;
    if (de > 0.0 || (r > 1.5 && !as_predicted)) t *= 0.5;
    if ((de < 0.0 && r < 1.0) || r < 0.25 || as_predicted) t *= std::sqrt(2.0);
  } else {
    // Saddle searches cannot judge a step by the energy: the reference is the largest
    // cartesian gradient of the previous step.
    const double ref = record_exists(rec::Opt_gref) ? record_get(rec::Opt_gref) : gmax_x;
    if (gmax_x > ref && r > 0.5) t *= 0.5;
    if ((gmax_x - ref < -0.25 * ref && r < 1.0) || r < 0.25) t *= std::sqrt(2.0);
  }
  return std::clamp(t, c.o.trust[1], c.o.trust[0]);
}

// Mode of largest overlap with the followed vector (weighted metric) to position 0.
void follow_mode(const StepContext& c, const InternalFrame& f, double* modes, double* curv, double* g) {
  const int m = c.m, count = c.count;
  PoolArray<double> tx(m), tq(count), wt(m);
  record_read(rec::Opt_Tx, tx.data(), std::int64_t{m});
  f.to_internal(tx.data(), tq.data());
  for (int a = 0; a < count; ++a) tq[a] *= c.w[a];
  f.transpose(tq.data(), wt.data());
  const double norm = std::sqrt(std::max(vec_dot(m, tx.data(), wt.data()), 1e-300));
  int best = 0;
  double overlap = 0.0;
  for (int i = 0; i < c.nfree; ++i) {
    const double o = std::fabs(vec_dot(m, modes + std::int64_t{i} * m, wt.data())) / norm;
    if (o > overlap) overlap = o, best = i;
  }
  for (int i = best; i > 0; --i) {
    vec_swap(m, modes + std::int64_t{i} * m, modes + std::int64_t{i - 1} * m);
    std::swap(curv[i], curv[i - 1]);
    std::swap(g[i], g[i - 1]);
  }
  record_write(rec::Opt_Tx, modes, std::int64_t{m});
  std::printf(" curvature = %8.5lf, overlap = %6.4lf\n", curv[0], overlap);
}

namespace {

void print_mode_table(int n, const double* g, const double* h, const double* s) {
  std::printf("    i     g(i)       h(i)       d(i)   \n");
  for (int i = 0; i < n; ++i) std::printf("%5d %10.6lf %10.6lf %10.6lf \n", i + 1, g[i], h[i], s[i]);
}

int grid_generation(const StepContext& c) {
  if (c.step == 0) return 0;
  int k = record_get(rec::Opt_kgrid, c.step - 1);
  if (c.o.noise && record_get(rec::Opt_newgrid) != 0) ++k;
  return k;
}

}  // namespace

void take_internal_step(StepContext& c, const InternalFrame& f, Molecule& mol, double energy) {
  const int m = c.m, step = c.step, count = c.count, nf = std::max(c.nfree, 1);
  const std::int64_t pm = packed_size(m);
  const int kgrid = grid_generation(c);
  record_put(rec::Opt_kgrid, kgrid, step);
  int nback = 0;
  while (nback < 2 && step - nback - 1 >= 0 &&
         record_get(rec::Opt_kgrid, step - nback - 1) == kgrid)
    ++nback;

  PoolArray<double> g(m), h(pm), gq(count), hm(pm);
  record_read(rec::Gradient, g.data(), m);
  record_write(rec::Opt_X, mol.xyz, m, std::int64_t{m} * step);
  record_write(rec::Opt_G, g.data(), m, std::int64_t{m} * step);
  if (c.o.exact) {
    record_read(rec::Hessian, h.data(), pm);
    record_write(rec::Opt_Hx, h.data(), pm);
    c.o.gterm = 1;
  } else {
    record_read(rec::Opt_Hx, h.data(), pm);
  }
  f.internal_gradient(g.data(), gq.data());
  // A run continued from a stopped one ("haveE" -1) starts with the model that run left,
  // which carries the gradient term of the gradient it expected here, like any later step.
  const bool continued = step == 0 && record_exists(rec::Opt_Ge) && record_exists(rec::haveE) &&
                         record_field(rec::haveE, &ResultsGiven::hessian) < 0;
  if (!c.o.exact && (step > 0 || continued)) {
    // The model came here with the gradient term of the gradient it expected; the term of
    // the gradient found replaces it, so that taking the term off below leaves exactly the
    // curvature carried over (otherwise the difference stays in the model, step after step).
    PoolArray<double> expected(m), gq_expected(count);
    record_read(rec::Opt_Ge, expected.data(), m);
    f.internal_gradient(expected.data(), gq_expected.data());
    for (int k = 0; k < count; ++k) gq_expected[k] = gq[k] - gq_expected[k];
    f.add_gradient_term(gq_expected.data(), h.data());
  }
  double ratio = 0.0;
  if (nback > 0) ratio = update_history(c, f, step - nback, gq.data(), h.data());
  if (!c.o.exact) record_write(rec::Opt_Hx, h.data(), pm);

  vec_copy(pm, h.data(), hm.data());
  const bool has_term = c.o.gterm || step > 0;
  if (has_term) {
    std::printf(" include g\n");
    f.subtract_gradient_term(gq.data(), hm.data());
  }
  PoolArray<double> modes(std::int64_t{m} * nf), curv(nf), gm(nf), s(nf);
  free_modes(c, hm.data(), modes.data(), curv.data());
  for (int i = 0; i < c.nfree; ++i) gm[i] = vec_dot(m, modes.data() + std::int64_t{i} * m, g.data());
  const double gmax = free_gradient_max(c, f, g.data()), gmax_x = vec_max_norm(m, g.data());
  std::printf(" max. gradient     = %9.7lf (internal), %9.7lf (cartesian)\n", gmax, gmax_x);

  double trust = c.o.trust[2];
  if (nback > 0) {
    const double de = energy - record_get(rec::Opt_E, step - 1);
    trust = new_trust(c, de, ratio, gmax_x);
    std::printf(" trust test =%10.7lf, trust radius =%10.7lf\n", ratio, trust);
  }
  if (c.o.saddle) record_put(rec::Opt_gref, gmax_x);
  const bool flip = c.o.saddle && c.nfree > 0;
  if (flip) {
    follow_mode(c, f, modes.data(), curv.data(), gm.data());
    curv[0] = -curv[0];
    gm[0] = -gm[0];
  }
  double size = 0.0;
  const double lambda = internal_trust_step(f, c.nfree, modes.data(), gm.data(), curv.data(), trust, s.data(), &size);
  if (lambda != 0.0) std::printf(" Lagrangian multiplier = %10.6lf\n", lambda);
  if (flip) {
    curv[0] = -curv[0];
    gm[0] = -gm[0];
  }
  // A short Newton step shrinks the radius to its size, but never below the minimum.
  const double current = std::clamp(size, c.o.trust[1], c.o.trust[0]);
  record_put(rec::Opt_trust, current, 2);
  double predicted = 0.0;
  for (int i = 0; i < c.nfree; ++i) predicted += gm[i] * s[i] + 0.5 * curv[i] * s[i] * s[i];
  record_put(rec::Opt_dE, predicted);

  PoolArray<double> dx(m), dq(count), qt(count);
  vec_set(m, 0.0, dx.data());
  for (int i = 0; i < c.nfree; ++i) vec_axpy(m, s[i], modes.data() + std::int64_t{i} * m, dx.data());
  if (c.nfix > 0) {
    PoolArray<double> d(c.nfix), cc(c.nfix);
    for (int k = 0; k < c.nfix; ++k) d[k] = f.values()[c.fix_index[k]] - c.target[k];
    PoolArray<InternalCoordinate> fixed(c.nfix);
    for (int k = 0; k < c.nfix; ++k) fixed[k] = c.set[c.fix_index[k]];
    wrap_differences(c.nfix, fixed.data(), d.data());
    const double* vc = c.v + std::int64_t{c.nfree} * m;
    constraint_correction(f, c.nfix, c.fix_index, vc, d.data(), cc.data());
    for (int k = 0; k < c.nfix; ++k) vec_axpy(m, cc[k], vc + std::int64_t{k} * m, dx.data());
  }
  f.to_internal(dx.data(), dq.data());
  std::printf(" max. displacement = %9.7lf (internal), %9.7lf (cartesian)\n", vec_max_norm(count, dq.data()),
              vec_max_norm(m, dx.data()));
  if (c.o.print) print_mode_table(c.nfree, gm.data(), curv.data(), s.data());

  // Back to cartesian coordinates; the fixed coordinates aim at their targets exactly.
  for (int k = 0; k < count; ++k) qt[k] = f.values()[k] + dq[k];
  for (int k = 0; k < c.nfix; ++k) qt[c.fix_index[k]] = c.target[k];
  PoolArray<double> x(m), actual(count), xmove(m);
  vec_copy(m, mol.xyz, x.data());
  back_transform(c.n, count, c.set, c.w, qt.data(), x.data(), c.o.print);
  internal_values(count, c.set, x.data(), actual.data(), nullptr);
  for (int k = 0; k < count; ++k) actual[k] -= f.values()[k];
  wrap_differences(count, c.set, actual.data());
  for (int k = 0; k < m; ++k) xmove[k] = x[k] - mol.xyz[k];
  const double moved = vec_max_norm(count, actual.data());
  std::printf(" max. displacement = %9.7lf (internal), %9.7lf (cartesian)\n", moved, vec_max_norm(m, xmove.data()));
  if (c.o.print) {
    PoolArray<double> after(count);
    for (int k = 0; k < count; ++k) after[k] = f.values()[k] + actual[k];
    const CoordinateColumn columns[4] = {{"Old value", f.values(), 1}, {"Change", actual.data(), 1},
                                         {"Gradient", gq.data(), 0}, {"New value", after.data(), 1}};
    print_internal_coordinates(count, c.set, 4, columns);
  }

  const bool converged = gmax < c.o.tolerance[0] && moved < c.o.tolerance[1];
  if (!converged) {
    {
      // The gradient the model expects at the new geometry, g + (H - K) dx, gives the
      // gradient term there until the next step finds the real one.
      PoolArray<double> expected(m), gnext(count);
      matrix_times_vector(m, hm.data(), 0, xmove.data(), expected.data(), 1.0, 0.0);
      vec_axpy(m, 1.0, g.data(), expected.data());
      record_write(rec::Opt_Ge, expected.data(), m);
      InternalFrame to(c.n, count, c.set, c.w, x.data());
      to.internal_gradient(expected.data(), gnext.data());
      transport_hessian(f, to, has_term ? gq.data() : nullptr, gnext.data(), h.data());
      record_write(rec::Opt_Hx, h.data(), pm);
      if (c.o.saddle) {
        PoolArray<double> tx(m), tq(count);
        record_read(rec::Opt_Tx, tx.data(), m);
        f.to_internal(tx.data(), tq.data());
        to.displacement(tq.data(), tx.data());
        record_write(rec::Opt_Tx, tx.data(), m);
      }
    }
    grid_decade_control(step, gmax);
    write_geometry(mol, x.data());
  } else {
    std::printf(" OPTIMIZATION CONVERGED in %d steps!\n", step);
    // A later run that restarts from this one ("haveE" -1) reads its gradient here.
    record_write(rec::Opt_G, g.data(), m);
  }
  print_structure(mol, converged, energy);
  if (c.o.print) write_result_group(nullptr, nullptr, rec::Opt_Hx.name, nullptr, nullptr, nullptr, nullptr, c.n, "opt>", -1);
  finish_step(step, converged, c.o.max_steps);
}

}  // namespace ostrel
