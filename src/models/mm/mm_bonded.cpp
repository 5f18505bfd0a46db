// Stretches, bends with their stretch-bend couplings, and the two torsion tables.
#include "models/mm/mm_bonded.hpp"

#include <cmath>

#include "model/molecule_record.hpp"
#include "models/mm/mm_local_term.hpp"
#include "models/mm/mm_parameter_index.hpp"

namespace ostrel {
namespace {

constexpr int kStretch = 1, kBend = 2, kTorsion = 3;

const int* neighbours_of(const MmTopology& t, int a) { return t.neighbours + MAX_NEIGHBOURS * a; }

MmLocalTerm local_term(const MmSums& s, int n, int a, int b, int c = -1, int d = -1) {
  MmLocalTerm term{};
  term.atoms[0] = a;
  term.atoms[1] = b;
  term.atoms[2] = c;
  term.atoms[3] = d;
  term.n_atoms = n;
  term.second = s.hessian != nullptr;
  return term;
}

// The kernel's bend is singular at a straight angle, where such centres sit; 1 + cos(theta) is
// smooth there. 0.5 k (theta - pi)^2 = 0.5 k G(s), s = 1 + cos(theta) = ((r1 + r2)^2 - r13^2) / (2 r1 r2),
// G(s) = acos(1 - s)^2, on the two bonds and the 1-3 distance; no stretch-bend coupling.
double straight_bend(MmLocalTerm& term, const double* xyz, double k, MmSums& sums) {
  const double r1 = term.value[term.add(xyz, kStretch, 0, 1)], r2 = term.value[term.add(xyz, kStretch, 2, 1)];
  const double r3 = term.value[term.add(xyz, kStretch, 0, 2)];
  const double s = (r1 / r2 + r2 / r1) / 2 + 1 - r3 * r3 / (2 * r1 * r2);
  const double a = std::acos(std::fmin(1.0, std::fmax(-1.0, 1.0 - s)));  // pi - theta
  // G' = 2a / sin a, G'' = 2 (sin a - a cos a) / sin^3 a, by their series near a straight line.
  const double g1 = a < 1e-3 ? 2 + a * a / 3 : 2 * a / std::sin(a);
  const double g2 = a < 1e-3 ? 2.0 / 3 + 4 * a * a / 15
                             : 2 * (std::sin(a) - a * std::cos(a)) / std::pow(std::sin(a), 3);
  const double q = r3 * r3;
  const double ds[3] = {1 / (2 * r2) - r2 / (2 * r1 * r1) + q / (2 * r1 * r1 * r2),
                        1 / (2 * r1) - r1 / (2 * r2 * r2) + q / (2 * r1 * r2 * r2), -r3 / (r1 * r2)};
  const double d12 = -1 / (2 * r2 * r2) - 1 / (2 * r1 * r1) - q / (2 * r1 * r1 * r2 * r2);
  const double d13 = r3 / (r1 * r1 * r2), d23 = r3 / (r1 * r2 * r2);
  const double dss[3][3] = {{r2 / (r1 * r1 * r1) - q / (r1 * r1 * r1 * r2), d12, d13},
                            {d12, r1 / (r2 * r2 * r2) - q / (r1 * r2 * r2 * r2), d23},
                            {d13, d23, -1 / (r1 * r2)}};
  double e1[3], e2[3][MmLocalTerm::kMax];
  for (int u = 0; u < 3; ++u) {
    e1[u] = 0.5 * k * g1 * ds[u];
    for (int v = 0; v < 3; ++v) e2[u][v] = 0.5 * k * (g2 * ds[u] * ds[v] + g1 * dss[u][v]);
  }
  mm_add_term(term, e1, e2, sums.gradient, sums.hessian);
  return 0.5 * k * a * a;
}

}  // namespace

double mm_stretches(const MmTopology& t, const MmParameters& p, MmSums& s) {
  double energy = 0.0;
  for (int i = 0; i < t.n; ++i)
    for (const int* k = neighbours_of(t, i); *k >= 0; ++k) {
      const int j = *k;
      if (j >= i) continue;
      const int r = mm_bond_record(p, t.type[i], t.type[j]);
      if (r < 0) continue;
      const double r0 = p.bond[r].p[0], kr = p.bond[r].p[1];
      MmLocalTerm term = local_term(s, 2, i, j);
      const double dr = term.value[term.add(t.xyz, kStretch, 0, 1)] - r0;
      energy += 0.5 * kr * dr * dr;
      const double e1[1] = {kr * dr}, e2[1][MmLocalTerm::kMax] = {{kr}};
      mm_add_term(term, e1, e2, s.gradient, s.hessian);
    }
  return energy;
}

double mm_bends(const MmTopology& t, const MmParameters& p, MmSums& s) {
  double energy = 0.0;
  for (int j = 0; j < t.n; ++j) {
    const int* nb = neighbours_of(t, j);
    for (int x = 0; nb[x] >= 0; ++x)
      for (int y = 0; y < x; ++y) {
        int i = nb[x], k = nb[y];
        // The first stretch-bend constant belongs to the arm whose type comes first.
        if (t.type[i] > t.type[k]) std::swap(i, k);
        const int r = mm_angle_record(p, t.type[i], t.type[j], t.type[k]);
        if (r < 0) continue;
        const MmRecord& a = p.angle[r];
        MmLocalTerm term = local_term(s, 3, i, j, k);
        if (a.p[0] >= MM_STRAIGHT) {
          energy += straight_bend(term, t.xyz, a.p[1], s);
          continue;
        }
        const double r01 = p.bond[mm_bond_record(p, t.type[i], t.type[j])].p[0];
        const double r02 = p.bond[mm_bond_record(p, t.type[k], t.type[j])].p[0];
        const double dt = term.value[term.add(t.xyz, kBend, 0, 1, 2)] - a.p[0];
        const double d1 = term.value[term.add(t.xyz, kStretch, 0, 1)] - r01;
        const double d2 = term.value[term.add(t.xyz, kStretch, 2, 1)] - r02;
        const double kt = a.p[1], krr = a.p[2], k1 = a.p[3], k2 = a.p[4];
        energy += 0.5 * kt * dt * dt + krr * d1 * d2 + k1 * d1 * dt + k2 * d2 * dt;
        const double e1[3] = {kt * dt + k1 * d1 + k2 * d2, krr * d2 + k1 * dt, krr * d1 + k2 * dt};
        const double e2[3][MmLocalTerm::kMax] = {{kt, k1, k2}, {k1, 0.0, krr}, {k2, krr, 0.0}};
        mm_add_term(term, e1, e2, s.gradient, s.hessian);
      }
  }
  return energy;
}

double mm_torsions(const MmTopology& t, const MmParameters& p, MmSums& s) {
  double energy = 0.0;
  for (int j = 0; j < t.n; ++j)
    for (const int* kk = neighbours_of(t, j); *kk >= 0; ++kk) {
      const int k = *kk;
      if (k <= j) continue;
      for (const int* ii = neighbours_of(t, j); *ii >= 0; ++ii)
        for (const int* ll = neighbours_of(t, k); *ll >= 0; ++ll) {
          const int i = *ii, l = *ll;
          if (i == k || l == j || i == l) continue;
          for (int table = 1; table <= 2; ++table) {
            const int r = mm_torsion_record(p, table, t.type[i], t.type[j], t.type[k], t.type[l]);
            if (r < 0) continue;
            const MmRecord& q = table == 1 ? p.torsion1[r] : p.torsion2[r];
            const double n = q.n1, phi0 = q.p[0], v = q.p[1];
            MmLocalTerm term = local_term(s, 4, i, j, k, l);
            const double x = n * (term.value[term.add(t.xyz, kTorsion, 0, 1, 2, 3)] - phi0);
            energy += v * (1.0 - std::cos(x));
            const double e1[1] = {v * n * std::sin(x)}, e2[1][MmLocalTerm::kMax] = {{v * n * n * std::cos(x)}};
            mm_add_term(term, e1, e2, s.gradient, s.hessian);
          }
        }
    }
  return energy;
}

}  // namespace ostrel
