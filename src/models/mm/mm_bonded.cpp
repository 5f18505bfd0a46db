// Stretches, bends with their stretch-bend couplings, and the two torsion tables.
#include <cmath>

#include "model/molecule_record.hpp"
#include "models/mm/mm_local_term.hpp"
#include "models/mm/mm_term_parts.hpp"

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
        const double r01 = p.bond[mm_bond_record(p, t.type[i], t.type[j])].p[0];
        const double r02 = p.bond[mm_bond_record(p, t.type[k], t.type[j])].p[0];
        MmLocalTerm term = local_term(s, 3, i, j, k);
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
