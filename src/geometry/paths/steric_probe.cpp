#include "geometry/paths/steric_probe.hpp"

#include <cstdio>

#include "geometry/optimize_common.hpp"
#include "geometry/optimize_options.hpp"
#include "input/energy_driver.hpp"
#include "input/group.hpp"
#include "model/molecule_record.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

constexpr int kMaxPositions = 5810;

// The fit of the probe energies: their weighted mean (weights "w", 1 where none is given),
// the one number that sums up how crowded the probed region is.
double weighted_sum(int first, int last, const double* v, const double* w) {
  double sum = 0.0, total = 0.0;
  for (int k = first; k < last; ++k) {
    const double weight = w[k] > 0.0 ? w[k] : 1.0;
    sum += weight * v[k];
    total += weight;
  }
  return total > 0.0 ? sum / total : 0.0;
}

}  // namespace

void steric_probe_with(Evaluator evaluate) {
  int range[3] = {0, 0, 0};  // positions, first, atoms
  const bool here = is_master;
  PoolArray<double> r(here ? 3 * kMaxPositions : 1), w(here ? kMaxPositions : 1), v(here ? kMaxPositions : 1),
      g(here ? 3 * kMaxPositions : 1);
  double e0 = 0.0;
  if (is_master) {
    int n = 0, first = 0;
    for (int k = 0; k < kMaxPositions; ++k) w[k] = 0.0, v[k] = 0.0;
    const InputVar vars[] = {
        {"n", IN_INT, 1, &n},           {"i", IN_INT, 1, &first}, {"e", IN_REAL, 1, &e0},
        {"r", IN_REAL, 3 * kMaxPositions, r.data()}, {"w", IN_REAL, kMaxPositions, w.data()},
        {"v", IN_REAL, kMaxPositions, v.data()},     {"g", IN_REAL, 3 * kMaxPositions, g.data()},
    };
    read_group(stdin, "steric", 7, vars);
    if (n < 0 || n > kMaxPositions || first < 0)
      fatal_error("*** error in '$steric' : n=%d, i=%d (0 <= i, n <= %d)\n", n, first, kMaxPositions);
    std::printf("\n\n Steric: N=%d E0=%11.8lf\n", n, e0);
    range[0] = n;
    range[1] = first;
    range[2] = record_field(rec::Natom, &PerStructure::whole);
  }
  mp_bcast(range, 3, MP_INT);
  const int n = range[0], first = range[1], probe = range[2] - 1;
  for (int k = first; k < n; ++k) {
    if (is_master) {
      Molecule mol = load_molecule(0, "Molecule");
      double* x = mol.xyz + 3 * probe;
      for (int c = 0; c < 3; ++c) x[c] = r[3 * k + c] * kBohrPerAngstrom;
      store_molecule(rec::Molecule.name, mol);
      release_molecule(mol);
    }
    evaluate(1);
    if (!is_master) continue;
    double gp[3];
    record_read(rec::Gradient, gp, 3, 3 * std::int64_t{probe});
    v[k] = record_get(rec::Energy) - e0;
    for (int c = 0; c < 3; ++c) g[3 * k + c] = gp[c];
    std::printf("steric> v(%4d)=%12.9lf g(%5d)=%12.9lf,%12.9lf,%12.9lf\n", k + 1, v[k], 3 * k + 1, gp[0], gp[1],
                gp[2]);
    std::fflush(stdout);
  }
  if (is_master) std::printf("sum=%10.7lf\n", weighted_sum(first, n, v.data(), w.data()));
}

void steric_probe() { steric_probe_with(evaluate); }

}  // namespace ostrel
