// The force-field energy of one structure: types and charges from the topology, then the
// bonded and non-bonded pieces.
#include "models/mm/mm_terms.hpp"

#include <cmath>
#include <cstring>

#include "model/molecule_record.hpp"
#include "models/mm/mm_bonded.hpp"
#include "models/mm/mm_nonbonded.hpp"
#include "models/mm/mm_parameter_index.hpp"
#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

bool listed(const int* list, int atom) {
  for (int k = 0; k < MAX_NEIGHBOURS && list[k] >= 0; ++k)
    if (list[k] == atom) return true;
  return false;
}

// The molecule's bond lists made symmetric, so a bond given on one side only still counts.
void symmetric_neighbours(const MmStructure& s, int* out) {
  const int n = s.n_atoms;
  std::memcpy(out, s.bonds, sizeof(int) * MAX_NEIGHBOURS * n);
  for (int a = 0; a < n; ++a)
    for (int k = 0; k < MAX_NEIGHBOURS && s.bonds[MAX_NEIGHBOURS * a + k] >= 0; ++k) {
      const int b = s.bonds[MAX_NEIGHBOURS * a + k];
      int* list = out + MAX_NEIGHBOURS * b;
      if (listed(list, a)) continue;
      int m = 0;
      while (m < MAX_NEIGHBOURS && list[m] >= 0) ++m;
      if (m < MAX_NEIGHBOURS) list[m] = a;
    }
}

}  // namespace

double mm_terms(const MmStructure& s, const MmParameters& p, double* dipole, double* gradient, double* hessian,
                const MmProbes* probes) {
  const int n = s.n_atoms;
  PoolArray<int> type(n + 1);
  PoolArray<double> charge(n + 1);
  PoolArray<int> neighbours(static_cast<std::int64_t>(MAX_NEIGHBOURS) * n + 1);
  double energy = 0.0;
  for (int a = 0; a < n; ++a) {
    char name[MM_NAME] = {};
    std::strncpy(name, s.type_names + NAME_SLOT * a, MM_NAME - 1);
    type[a] = mm_type_index(p, name);
    if (type[a] < 0) fatal_error("'%s'\n", name);
    energy += p.atom[type[a]].p[0];
    charge[a] = p.atom[type[a]].p[1];
  }
  symmetric_neighbours(s, neighbours.data());
  // Bond increments: the atom whose type comes later in the list gains dq.
  for (int i = 0; i < n; ++i)
    for (const int* k = neighbours.data() + MAX_NEIGHBOURS * i; *k >= 0; ++k) {
      const int j = *k;
      if (j >= i || type[i] == type[j]) continue;
      const int r = mm_bond_record(p, type[i], type[j]);
      if (r < 0) continue;
      const double dq = p.bond[r].p[2];
      const int gains = type[i] > type[j] ? i : j;
      charge[gains] += dq;
      charge[gains == i ? j : i] -= dq;
    }
  for (int x = 0; x < 3; ++x) {
    dipole[x] = 0.0;
    for (int a = 0; a < n; ++a) dipole[x] += charge[a] * s.xyz[3 * a + x];
  }
  for (int k = 0; probes && k < probes->count; ++k) {
    double v = 0.0;
    for (int a = 0; a < n; ++a) {
      const double* q = probes->points + 3 * k;
      const double d[3] = {q[0] - s.xyz[3 * a], q[1] - s.xyz[3 * a + 1], q[2] - s.xyz[3 * a + 2]};
      v += charge[a] / std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    }
    probes->potentials[k] = v;
  }

  std::memset(gradient, 0, sizeof(double) * 3 * n);
  if (hessian) std::memset(hessian, 0, sizeof(double) * (3LL * n) * (3LL * n + 1) / 2);
  const MmTopology t{n, s.xyz, type.data(), charge.data(), neighbours.data()};
  MmSums sums{gradient, hessian};
  energy += mm_stretches(t, p, sums);
  energy += mm_bends(t, p, sums);
  energy += mm_torsions(t, p, sums);
  energy += mm_nonbonded(t, p, sums);
  return energy;
}

}  // namespace ostrel
