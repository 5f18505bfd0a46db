// Force-field parameter fitting: residuals of a reference set, the parameters they depend
// on, and a Levenberg-Marquardt minimisation with forward-difference Jacobians.
#include "models/mm/mm_fit.hpp"

#include <cmath>
#include <cstdio>

#include "geometry/coordinate_kernel.hpp"
#include "input/group.hpp"
#include "linalg/small_solvers.hpp"
#include "model/molecule_record.hpp"
#include "models/mm/mm_terms.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/timer.hpp"

namespace ostrel {
namespace {

// Gradient differences along one internal coordinate per bonded pair (type 1) or bend (2).
void projected(const MmFitMolecule& m, const std::vector<double>& dg, int type, std::vector<double>& out) {
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

}  // namespace

void mm_fit_residuals(const MmFitMolecule& m, const MmParameters& p, std::vector<double>& r, double kinds[6]) {
  const int n3 = 3 * m.n;
  std::vector<double> g(n3), h(m.hessian.empty() ? 0 : m.hessian.size());
  double dipole[3];
  const MmStructure s{m.n, m.xyz.data(), m.types.data(), m.bonds.data()};
  const double e = mm_terms(s, p, dipole, g.data(), h.empty() ? nullptr : h.data());
  append(r, {e - m.energy}, m.w[0], &kinds[0]);
  std::vector<double> dg;
  if (!m.gradient.empty())
    for (int k = 0; k < n3; ++k) dg.push_back(g[k] - m.gradient[k]);
  append(r, dg, m.w[1], &kinds[1]);
  std::vector<double> along;
  if (!dg.empty()) projected(m, dg, 1, along);
  append(r, along, m.w[2], &kinds[2]);
  along.clear();
  if (!dg.empty()) projected(m, dg, 2, along);
  append(r, along, m.w[3], &kinds[3]);
  for (std::size_t k = 0; k < h.size(); ++k) h[k] -= m.hessian[k];
  append(r, h, m.w[4], &kinds[4]);
  append(r, {dipole[0] - m.dipole[0], dipole[1] - m.dipole[1], dipole[2] - m.dipole[2]}, m.w[5], &kinds[5]);
}

std::vector<MmFitParameter> mm_fit_selection(const std::vector<MmFitMolecule>& set, MmParameters& p) {
  std::vector<char> atom(MM_TYPES, 0), bond(MM_BOND_RECORDS, 0), angle(MM_ANGLE_RECORDS, 0);
  std::vector<char> t1(MM_TORSION_RECORDS, 0), t2(MM_TORSION_RECORDS, 0);
  for (const MmFitMolecule& m : set) {
    std::vector<int> type(m.n);
    for (int a = 0; a < m.n; ++a) {
      type[a] = mm_type_index(p, m.types.data() + NAME_SLOT * a);
      if (type[a] >= 0) atom[type[a]] = 1;
    }
    auto nb = [&](int a) { return m.bonds.data() + MAX_NEIGHBOURS * a; };
    for (int j = 0; j < m.n; ++j)
      for (const int* x = nb(j); *x >= 0; ++x) {
        if (type[j] < 0 || type[*x] < 0) continue;
        const int b = mm_bond_record(p, type[j], type[*x]);
        if (b >= 0) bond[b] = 1;
        for (const int* y = nb(j); *y >= 0; ++y) {
          if (*y == *x || type[*y] < 0) continue;
          const int a = mm_angle_record(p, type[*x], type[j], type[*y]);
          if (a >= 0) angle[a] = 1;
          for (const int* z = nb(*y); *z >= 0; ++z) {
            if (*z == j || *z == *x || type[*z] < 0) continue;
            const int r1 = mm_torsion_record(p, 1, type[*x], type[j], type[*y], type[*z]);
            const int r2 = mm_torsion_record(p, 2, type[*x], type[j], type[*y], type[*z]);
            if (r1 >= 0) t1[r1] = 1;
            if (r2 >= 0) t2[r2] = 1;
          }
        }
      }
  }
  // Charges, repulsion and stretch-bend couplings keep their starting values: gradients of a
  // few structures per molecule do not determine them, and freed they drift to unphysical
  // values. E0 is fitted only when some energy carries weight.
  bool energies = false;
  for (const MmFitMolecule& m : set) energies = energies || m.w[0] > 0.0;
  std::vector<MmFitParameter> x;
  auto add = [&](const std::string& name, double* v) { x.push_back({name, v}); };
  for (int t = 0; t < p.ntypes && energies; ++t)
    if (atom[t]) add(std::string(p.type_names[t]) + ":E0", &p.atom[t].p[0]);
  for (int b = 0; b < MM_BOND_RECORDS; ++b)
    if (bond[b]) {
      add("bond" + std::to_string(b + 1) + ":r0", &p.bond[b].p[0]);
      add("bond" + std::to_string(b + 1) + ":k", &p.bond[b].p[1]);
    }
  for (int a = 0; a < MM_ANGLE_RECORDS; ++a)
    if (angle[a]) {
      add("angle" + std::to_string(a + 1) + ":theta0", &p.angle[a].p[0]);
      add("angle" + std::to_string(a + 1) + ":k", &p.angle[a].p[1]);
    }
  for (int t = 0; t < MM_TORSION_RECORDS; ++t) {
    if (t1[t]) add("torsion1." + std::to_string(t + 1) + ":V", &p.torsion1[t].p[1]);
    if (t2[t]) add("torsion2." + std::to_string(t + 1) + ":V", &p.torsion2[t].p[1]);
  }
  return x;
}

namespace {

struct Prior {
  const std::vector<MmFitParameter>* x;
  std::vector<double> start;
  double weight;
};

double evaluate_set(const std::vector<MmFitMolecule>& set, const MmParameters& p, std::vector<double>& r,
                    bool print, const Prior& prior) {
  timer("function", '-');
  r.clear();
  for (std::size_t k = 0; k < prior.start.size(); ++k)
    r.push_back(std::sqrt(prior.weight) * (*(*prior.x)[k].value - prior.start[k]) / std::fmax(std::fabs(prior.start[k]), 0.05));
  double sums[7] = {};
  for (const MmFitMolecule& m : set) {
    double kinds[6];
    mm_fit_residuals(m, p, r, kinds);
    if (print)
      std::printf(" %-24s  e=%12.10lf g=%10.8lf r=%10.8lf a=%10.8lf h=%10.8lf v=%10.8lf\n", m.name.c_str(),
                  std::sqrt(kinds[0]), std::sqrt(kinds[1]), std::sqrt(kinds[2]), std::sqrt(kinds[3]),
                  std::sqrt(kinds[4]), std::sqrt(kinds[5]));
    for (int k = 0; k < 6; ++k) sums[k] += m.w[k] * kinds[k];
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

double mm_fit_minimise(const std::vector<MmFitMolecule>& set, MmParameters& p, std::vector<MmFitParameter>& x,
                       const MmFitOptions& o) {
  const int np = static_cast<int>(x.size());
  Prior prior{&x, {}, o.prior};
  for (const MmFitParameter& q : x) prior.start.push_back(*q.value);
  std::vector<double> r, rd;
  double f = evaluate_set(set, p, r, true, prior);
  double lambda = 1e-3;
  for (int it = 1; it <= o.iter && np > 0; ++it) {
    const int nr = static_cast<int>(r.size());
    std::vector<double> jac(static_cast<std::size_t>(nr) * np);
    for (int k = 0; k < np; ++k) {
      const double keep = *x[k].value, dx = 1e-6 * std::fmax(1.0, std::fabs(keep));
      *x[k].value = keep + dx;
      const double fd = evaluate_set(set, p, rd, false, prior);
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
      f_new = evaluate_set(set, p, rd, false, prior);
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
    f = evaluate_set(set, p, r, o.print != 0, prior);
    if (done) break;
  }
  return f;
}

void mm_fit_parameters() {
  if (!is_master) return;
  std::printf("\n --- PARAMETRIZATION ---\n");
  MmFitOptions o;
  const InputVar vars[] = {{"tol", IN_REAL, 1, &o.tol},
                           {"iter", IN_INT, 1, &o.iter},
                           {"print", IN_INT, 1, &o.print},
                           {"prior", IN_REAL, 1, &o.prior}};
  read_group(stdin, "optimize", 4, vars);
  const std::vector<MmFitMolecule> set = mm_fit_read_set(stdin);
  // The task runs without the common set-up: the starting set comes from the library file.
  if (!record_exists(rec::mmdata)) read_mm_parameters(record_text(rec::bfname).c_str(), "mmdata");
  PoolArray<MmParameters> p(1);
  record_read(rec::mmdata, p.data(), 1);
  std::vector<MmFitParameter> x = mm_fit_selection(set, p[0]);
  std::printf("\n %d parameters\n", static_cast<int>(x.size()));
  for (std::size_t k = 0; k < x.size(); ++k) std::printf(" %3d  %-32s  p=%12.8lf\n", static_cast<int>(k + 1), x[k].name.c_str(), *x[k].value);
  mm_fit_minimise(set, p[0], x, o);
  std::printf("\n");
  write_mm_parameters(p[0]);
  record_save(Record<MmParameters>{"mm_data"}, p.data(), 1);
}

}  // namespace ostrel
