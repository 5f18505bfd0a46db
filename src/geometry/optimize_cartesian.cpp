#include "geometry/optimize_cartesian.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/model_hessian.hpp"
#include "geometry/optimize_common.hpp"
#include "geometry/optimize_options.hpp"
#include "geometry/optimize_records.hpp"
#include "geometry/step_tools.hpp"
#include "linalg/vector_ops.hpp"
#include "model/molecule_record.hpp"
#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

// Adds a x the projector on the nt vectors t to the packed matrix h.
void add_projector(int m, int nt, const double* t, double a, double* h) {
  for (int k = 0; k < nt; ++k)
    for (int p = 0; p < m; ++p)
      for (int r = 0; r <= p; ++r) h[packed_index(p, r)] += a * t[k * m + p] * t[k * m + r];
}

void initial_call(const OptimizeOptions& o, const Molecule& mol) {
  const int m = 3 * mol.n_atoms;
  const int have_hessian = record_exists(rec::haveE) ? record_field(rec::haveE, &ResultsGiven::hessian) : 0;
  PoolArray<double> h(packed_size(m));
  vec_set(packed_size(m), 0.0, h.data());
  if (have_hessian >= 1) {
    record_read(rec::Hessian, h.data(), packed_size(m));
  } else if (have_hessian < 0) {
    record_read(rec::Opt_Hx, h.data(), packed_size(m));
  } else if (!o.exact) {
    if (o.saddle) fatal_error(" we need a hessian.\n");
    cartesian_model_hessian(mol.n_atoms, mol.z, mol.xyz, h.data());
  }
  record_write(rec::Opt_Hx, h.data(), packed_size(m));
  if (!o.exact && o.saddle) {
    PoolArray<double> t(6 * std::int64_t{m}), u(std::int64_t{m} * m), e(m);
    const int nt = translation_rotation_vectors(mol.n_atoms, mol.xyz, t.data());
    add_projector(m, nt, t.data(), 1000.0, h.data());
    eigen_local(h.data(), u.data(), e.data(), m);
    std::printf(" Lowest eigenvalues:");
    for (int i = 0; i < std::min(4, m); ++i) std::printf("%10.6lf", e[i]);
    const int follow = std::min(o.follow, m - 1);
    record_write(rec::Opt_Tx, u.data() + std::int64_t{follow} * m, std::int64_t{m});
    std::printf("\n following eigenvector %d with eigenvalue %10.6lf\n", follow + 1, e[follow]);
    for (int a = 0; a < mol.n_atoms; ++a) {
      const double* x = u.data() + std::int64_t{follow} * m + 3 * a;
      std::printf(" %4d %10.6lf%10.6lf%10.6lf\n", a + 1, x[0], x[1], x[2]);
    }
  }
  request_initial_grid();
}

// Cubic through the last two points along the step: returns the fitted fraction x/L of
// the step (0 when there is no usable minimum) and the fitted energy change.
double cubic_line_fit(double length, double de, double s0, double s1, double trust, double* de_fit) {
  const double l = length;
  const double a = (l * (s0 + s1) - 2 * de) / (l * l * l), b = (3 * de - 2 * l * s0 - l * s1) / (l * l);
  const double d = b * b - 3 * a * s0;
  *de_fit = 0.0;
  if (d <= 0.0 || a == 0.0) return 0.0;
  const double x = (std::sqrt(d) - b) / (3 * a);
  *de_fit = a * x * x * x + b * x * x + s0 * x;
  if (*de_fit == 0.0 || !(x > 0.0 && x < trust)) return 0.0;
  return x / l;
}

void point_step(const OptimizeOptions& o, int step, Molecule& mol) {
  const int n = mol.n_atoms, m = 3 * n;
  const std::int64_t pm = packed_size(m);
  double energy = record_get(rec::Energy);
  std::printf(" Energy:        %15.8lf\n", energy);
  const double previous = step > 0 ? record_get(rec::Opt_E) : 0.0;
  if (step > 0)
    std::printf(" Energy change:     %11.8lf (actual)\n                    %11.8lf (predicted)\n",
                energy - previous, record_get(rec::Opt_dE));
  PoolArray<double> g(m), h(pm), x(m);
  record_read(rec::Gradient, g.data(), m);
  vec_copy(m, mol.xyz, x.data());
  if (o.exact) {
    record_read(rec::Hessian, h.data(), pm);
    record_write(rec::Opt_Hx, h.data(), pm);
  } else {
    record_read(rec::Opt_Hx, h.data(), pm);
  }
  if (!o.exact && step > 0 && record_get(rec::Opt_newgrid) == 0) {
    PoolArray<double> dx(m), y(m);
    record_read(rec::Opt_Dx, dx.data(), m);
    record_read(rec::Opt_Gx, y.data(), m);
    for (int k = 0; k < m; ++k) y[k] = g[k] - y[k];
    update_hessian(m, h.data(), dx.data(), y.data(), o.saddle ? HessianUpdate::PSB : HessianUpdate::BFGS);
    record_write(rec::Opt_Hx, h.data(), pm);
    if (!o.saddle && o.cubfit) {
      PoolArray<double> gprev(m);
      record_read(rec::Opt_Gx, gprev.data(), m);
      const double l = std::sqrt(vec_dot(m, dx.data(), dx.data()));
      double de_fit = 0.0;
      const double f = l > 0.0 ? cubic_line_fit(l, energy - previous, vec_dot(m, dx.data(), gprev.data()) / l,
                                                vec_dot(m, dx.data(), g.data()) / l, o.trust[0], &de_fit)
                               : 0.0;
      if (f > 0.0) {
        std::printf(" Cubic fit: dE = %10.7lf, x = %10.7lf\n", de_fit, f);
        energy = previous + de_fit;
        vec_axpy(m, f - 1.0, dx.data(), x.data());
        vec_axpy(m, f - 1.0, y.data(), g.data());
      }
    }
  }
  record_put(rec::Opt_E, energy);
  record_write(rec::Opt_Gx, g.data(), m);

  // External motions (and a held direction) pushed far up the spectrum.
  PoolArray<double> t(7 * std::int64_t{m}), u(std::int64_t{m} * m), e(m), gm(m), s(m);
  int nt = translation_rotation_vectors(n, x.data(), t.data());
  if (o.nfix != 0) {
    double* held = t.data() + std::int64_t{nt} * m;
    record_read(rec::Opt_Tx, held, m);
    for (int k = 0; k < nt; ++k) vec_axpy(m, -vec_dot(m, t.data() + k * m, held), t.data() + k * m, held);
    const double norm = std::sqrt(vec_dot(m, held, held));
    if (norm > 1e-8) vec_scale(m, 1.0 / norm, held), ++nt;
  }
  PoolArray<double> hp(pm);
  vec_copy(pm, h.data(), hp.data());
  add_projector(m, nt, t.data(), 100.0, hp.data());
  eigen_local(hp.data(), u.data(), e.data(), m);
  for (int i = 0; i < m; ++i) gm[i] = vec_dot(m, u.data() + std::int64_t{i} * m, g.data());
  const int nfree = m - nt;
  const double gmax = vec_max_norm(nfree, gm.data());
  std::printf(" Max. Gradient     = %9.7lf\n", gmax);

  if (o.saddle && nfree > 0) {
    PoolArray<double> ref(m);
    if (step == 0) vec_copy(m, u.data() + std::int64_t{std::min(o.follow, nfree - 1)} * m, ref.data());
    else record_read(rec::Opt_Tx, ref.data(), m);
    int best = 0;
    double overlap = 0.0;
    for (int i = 0; i < nfree; ++i) {
      const double ov = std::fabs(vec_dot(m, u.data() + std::int64_t{i} * m, ref.data()));
      if (ov > overlap) overlap = ov, best = i;
    }
    for (int i = best; i > 0; --i) {
      vec_swap(m, u.data() + std::int64_t{i} * m, u.data() + std::int64_t{i - 1} * m);
      std::swap(e[i], e[i - 1]);
      std::swap(gm[i], gm[i - 1]);
    }
    record_write(rec::Opt_Tx, u.data(), m);
    e[0] = -e[0];
    gm[0] = -gm[0];
  }
  vec_set(m, 0.0, s.data());
  double predicted = 0.0;
  const double lambda = trust_region_step(nfree, gm.data(), e.data(), o.trust[0], s.data(), &predicted);
  if (o.saddle && nfree > 0) {
    e[0] = -e[0];
    gm[0] = -gm[0];
  }
  record_put(rec::Opt_dE, predicted);
  std::printf("    i     g(i)       h(i)       d(i)   \n");
  for (int i = 0; i < m; ++i) std::printf("%5d %10.6lf %10.6lf %10.6lf \n", i + 1, gm[i], e[i], s[i]);
  if (lambda != 0.0) std::printf(" Lagrangian multiplier = %10.6lf\n", lambda);
  PoolArray<double> dx(m);
  vec_set(m, 0.0, dx.data());
  for (int i = 0; i < nfree; ++i) vec_axpy(m, s[i], u.data() + std::int64_t{i} * m, dx.data());
  record_write(rec::Opt_Dx, dx.data(), m);
  std::printf(" Max. Displacement = %9.7lf\n\n", vec_max_norm(m, dx.data()));

  const bool converged = gmax < o.tolerance[0];
  if (converged) {
    std::printf(" OPTIMIZATION CONVERGED in %d steps!\n", step);
  } else {
    vec_axpy(m, 1.0, dx.data(), x.data());
    write_geometry(mol, x.data());
    grid_decade_control(step, gmax);
  }
  print_structure(mol, converged, energy);
  finish_step(step, converged, o.max_steps);
}

}  // namespace

void optimize_step_cartesian() {
  const OptimizeOptions o = load_optimize_options();
  const int step = record_get(rec::Opt_step);
  std::printf("\n Geometry Optimization Step %d:\n", step + 1);
  Molecule mol = load_molecule(0, "Molecule");
  if (step < 0)
    initial_call(o, mol);
  else
    point_step(o, step, mol);
  release_molecule(mol);
  std::fflush(stdout);
}

}  // namespace ostrel
