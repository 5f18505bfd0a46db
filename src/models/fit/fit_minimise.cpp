// The objective of a parameter fit (weighted residuals of the reference molecules and
// reactions) and its Levenberg-Marquardt minimisation with forward-difference Jacobians.
#include "models/fit/fit_minimise.hpp"

#include <cmath>
#include <cstdio>

#include "geometry/coordinate_kernel.hpp"
#include "input/group.hpp"
#include "linalg/small_solvers.hpp"
#include "runtime/timer.hpp"

namespace ostrel {
namespace {

// Gradient differences along one internal coordinate per bonded pair (type 1) or bend (2).
void projected(const FitMolecule& m, const std::vector<double>& dg, int type, std::vector<double>& out) {
  for (int j = 0; j < m.n; ++j) {
    const int* nb = m.bonds.data() + MAX_NEIGHBOURS * j;
    for (int x = 0; x < MAX_NEIGHBOURS && nb[x] >= 0; ++x)
      for (int y = 0; y < (type == 1 ? 1 : x); ++y) {
        const InternalCoordinate c = type == 1 ? InternalCoordinate{1, j, nb[x], -1, -1}
                                               : InternalCoordinate{2, nb[x], j, nb[y], -1};
        double b[B_ROW];
        coordinate_value(c, m.xyz.data(), b, nullptr);
        const int atoms[3] = {c.i, c.j, c.k};
        double s = 0.0;
        for (int a = 0; a < type + 1; ++a)
          for (int d = 0; d < 3; ++d) s += b[3 * a + d] * dg[3 * atoms[a] + d];
        out.push_back(s);
      }
  }
}

void append(std::vector<double>& r, const std::vector<double>& values, double weight, double* mean_square) {
  double s = 0.0;
  for (double v : values) s += v * v;
  *mean_square = values.empty() ? 0.0 : s / static_cast<double>(values.size());
  if (values.empty() || weight <= 0.0) return;
  const double scale = std::sqrt(weight / static_cast<double>(values.size()));
  for (double v : values) r.push_back(scale * v);
}

struct Objective {
  FitModel& model;
  const std::vector<FitMolecule>& set;
  const std::vector<FitReaction>& reactions;
  const std::vector<FitParameter>& x;
  std::vector<double> start;
  double prior;
};

double evaluate_set(const Objective& o, std::vector<double>& r, bool print) {
  timer("function", '-');
  o.model.renew();
  r.clear();
  for (std::size_t k = 0; k < o.start.size(); ++k)
    r.push_back(std::sqrt(o.prior) * (*o.x[k].value - o.start[k]) /
                (o.x[k].scale > 0.0 ? o.x[k].scale : std::fmax(std::fabs(o.start[k]), 0.05)));
  double sums[7] = {};
  std::vector<double> energy(o.set.size());
  for (std::size_t k = 0; k < o.set.size(); ++k) {
    const FitMolecule& m = o.set[k];
    double kinds[6];
    energy[k] = fit_residuals(o.model, k, m, r, kinds);
    if (print)
      std::printf(" %-24s  e=%12.10lf g=%10.8lf r=%10.8lf a=%10.8lf h=%10.8lf v=%10.8lf\n", m.name.c_str(),
                  std::sqrt(kinds[0]), std::sqrt(kinds[1]), std::sqrt(kinds[2]), std::sqrt(kinds[3]),
                  std::sqrt(kinds[4]), std::sqrt(kinds[5]));
    for (int j = 0; j < 6; ++j) sums[j] += m.w[j] * kinds[j];
  }
  for (std::size_t k = 0; k < o.reactions.size(); ++k) {
    const FitReaction& x = o.reactions[k];
    double e = -x.energy;
    for (std::size_t j = 0; j < x.molecule.size(); ++j) e += x.c[j] * energy[x.molecule[j]];
    if (x.weight > 0.0) r.push_back(std::sqrt(x.weight) * e);
    if (print) std::printf(" react. %4d %12s  e=%12.10lf\n", static_cast<int>(k + 1), x.name.c_str(), std::fabs(e));
  }
  double f = 0.0;
  for (double v : r) f += v * v;
  sums[6] = f;
  if (print) {
    std::printf(" fwf=%10.8lf,%10.8lf,%10.8lf,%10.8lf,%10.8lf,%10.8lf,%10.8lf\n", sums[0], sums[1], sums[2], sums[3],
                sums[4], sums[5], sums[6]);
    std::printf("\n   F=%12.10lf\n", f);
  }
  timer("function", '+');
  return f;
}

}  // namespace

FitTask fit_read_task(std::FILE* input, const std::function<void(Molecule&)>& label) {
  std::printf("\n --- PARAMETRIZATION ---\n");
  FitTask t;
  FitOptions& o = t.options;
  const InputVar vars[] = {{"tol", IN_REAL, 1, &o.tol},
                           {"iter", IN_INT, 1, &o.iter},
                           {"print", IN_INT, 1, &o.print},
                           {"prior", IN_REAL, 1, &o.prior}};
  read_group(input, "optimize", 4, vars);
  t.set = fit_read_set(input, label);
  t.reactions = fit_read_reactions(input, t.set);
  return t;
}

double fit_residuals(FitModel& model, std::size_t k, const FitMolecule& m, std::vector<double>& r, double kinds[6]) {
  const int n3 = 3 * m.n;
  const bool hessian = model.has_hessian() && !m.hessian.empty();
  std::vector<double> g(n3), h(hessian ? m.hessian.size() : 0);
  double dipole[3];
  const double e = model.evaluate(k, m, m.gradient.empty() ? nullptr : g.data(), hessian ? h.data() : nullptr, dipole);
  append(r, {e - m.energy}, m.w[0], &kinds[0]);
  std::vector<double> dg;
  if (!m.gradient.empty())
    for (int j = 0; j < n3; ++j) dg.push_back(g[j] - m.gradient[j]);
  append(r, dg, m.w[1], &kinds[1]);
  std::vector<double> along;
  if (!dg.empty()) projected(m, dg, 1, along);
  append(r, along, m.w[2], &kinds[2]);
  along.clear();
  if (!dg.empty()) projected(m, dg, 2, along);
  append(r, along, m.w[3], &kinds[3]);
  for (std::size_t j = 0; j < h.size(); ++j) h[j] -= m.hessian[j];
  append(r, h, m.w[4], &kinds[4]);
  append(r, {dipole[0] - m.dipole[0], dipole[1] - m.dipole[1], dipole[2] - m.dipole[2]}, m.w[5], &kinds[5]);
  return e;
}

void fit_print_parameters(const std::vector<FitParameter>& x) {
  std::printf("\n %d parameters\n", static_cast<int>(x.size()));
  for (std::size_t k = 0; k < x.size(); ++k)
    std::printf(" %3d  %-32s  p=%12.8lf\n", static_cast<int>(k + 1), x[k].name.c_str(), *x[k].value);
}

double fit_minimise(FitModel& model, const std::vector<FitMolecule>& set, const std::vector<FitReaction>& reactions,
                    std::vector<FitParameter>& x, const FitOptions& o) {
  const int np = static_cast<int>(x.size());
  Objective obj{model, set, reactions, x, {}, o.prior};
  for (const FitParameter& q : x) obj.start.push_back(*q.value);
  std::vector<double> r, rd;
  double f = evaluate_set(obj, r, true);
  double lambda = 1e-3;
  for (int it = 1; it <= o.iter && np > 0; ++it) {
    const int nr = static_cast<int>(r.size());
    std::vector<double> jac(static_cast<std::size_t>(nr) * np);
    for (int k = 0; k < np; ++k) {
      const double keep = *x[k].value, dx = 1e-6 * std::fmax(1.0, std::fabs(keep));
      *x[k].value = keep + dx;
      const double fd = evaluate_set(obj, rd, false);
      *x[k].value = keep;
      if (o.print) std::printf(" dx=%12.10lf df=%13.10lf\n", dx, fd - f);
      for (int i = 0; i < nr; ++i) jac[static_cast<std::size_t>(i) * np + k] = (rd[i] - r[i]) / dx;
    }
    std::vector<double> jtj(static_cast<std::size_t>(np) * np, 0.0), jtr(np, 0.0);
    for (int i = 0; i < nr; ++i) {
      const double* row = &jac[static_cast<std::size_t>(i) * np];
      for (int a = 0; a < np; ++a) {
        jtr[a] += row[a] * r[i];
        for (int b = 0; b <= a; ++b) jtj[static_cast<std::size_t>(a) * np + b] += row[a] * row[b];
      }
    }
    double gmax = 0.0;
    for (double v : jtr) gmax = std::fmax(gmax, std::fabs(2.0 * v));
    // Damped normal equations; a rejected step raises the damping and tries again.
    std::vector<double> step(np), keep(np);
    for (int k = 0; k < np; ++k) keep[k] = *x[k].value;
    double dmax = 0.0, f_new = f;
    for (int tries = 0; tries < 12; ++tries) {
      std::vector<double> a(static_cast<std::size_t>(np) * (np + 1) / 2);
      for (int i = 0; i < np; ++i)
        for (int j = 0; j <= i; ++j) {
          const double v = jtj[static_cast<std::size_t>(i) * np + j];
          a[static_cast<std::size_t>(i) * (i + 1) / 2 + j] = i == j ? v * (1.0 + lambda) + 1e-12 : v;
        }
      if (ldlt_factor(a.data(), np) >= 0) {
        lambda *= 10.0;
        continue;
      }
      for (int i = 0; i < np; ++i) step[i] = -jtr[i];
      ldlt_solve(a.data(), np, step.data(), 1);
      dmax = 0.0;
      for (int k = 0; k < np; ++k) {
        *x[k].value = keep[k] + step[k];
        dmax = std::fmax(dmax, std::fabs(step[k]));
      }
      f_new = evaluate_set(obj, rd, false);
      if (f_new < f) break;
      lambda *= 10.0;
    }
    std::printf("\n iteration %2d: f=%12.10lf g=%12.10lf d=%12.10lf\n", it, f_new, gmax, dmax);
    if (f_new >= f) {
      for (int k = 0; k < np; ++k) *x[k].value = keep[k];
      break;
    }
    lambda = std::fmax(lambda * 0.1, 1e-9);
    std::printf("\n new parameters:\n");
    for (int k = 0; k < np; ++k)
      std::printf(" %3d  %-32s   p=%12.8lf  d=%11.8lf\n", k + 1, x[k].name.c_str(), *x[k].value, step[k]);
    const bool done = dmax < o.tol || f - f_new < o.tol * o.tol;
    f = evaluate_set(obj, r, o.print != 0);
    if (done) break;
  }
  model.renew();
  return f;
}

}  // namespace ostrel
