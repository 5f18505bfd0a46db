#include "geometry/paths/coordinate_scan.hpp"

#include <cstdio>

#include "geometry/optimize_common.hpp"
#include "geometry/optimize_records.hpp"
#include "geometry/paths/energy_profile.hpp"
#include "geometry/paths/path_keep.hpp"
#include "geometry/paths/path_print.hpp"
#include "geometry/paths/path_records.hpp"
#include "geometry/run_optimization.hpp"
#include "input/energy_driver.hpp"
#include "linalg/vector_ops.hpp"
#include "model/molecule_record.hpp"
#include "model/molecule_writer.hpp"
#include "model/structure_print.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

namespace {

// Master: the points of a kept scan of the same input, its last structure put back in
// "Molecule"; the number of points kept (0 without any).
int resume(const PathKeep& keep, int n, int m, double* s, double* e, double* x) {
  path_keep_records(n, m);
  const int done = path_keep_resume(keep, n);
  if (done < 1) return 0;
  path_keep_get_points(done, m, x, e, s);
  Molecule mol = load_molecule(0, "Molecule");
  write_geometry(mol, x + std::int64_t{done - 1} * m);
  release_molecule(mol);
  std::printf("\n continuing the scan after point %d (kept in %s)\n", done, keep.path.c_str());
  return done;
}

}  // namespace

void coordinate_scan_with(Evaluator evaluate) {
  int head[3] = {0, 0, 0};  // points, fixed coordinates, atoms
  if (is_master) {
    head[0] = record_get(rec::Opt_points);
    head[1] = record_get(rec::Opt_Nfix);
    head[2] = record_field(rec::Natom, &PerStructure::whole);
    // The parameter of point i is i/(n - 1).
    if (head[0] < 2)
      fatal_error("\n SCAN: points=%d, but a scan needs at least 2 points (its start and its end)\n", head[0]);
    if (head[1] < 1) fatal_error("\n SCAN: no coordinate to scan (give it with fix= and value=)\n");
  }
  mp_bcast(head, 3, MP_INT);
  const int n = head[0], nfix = head[1], m = 3 * head[2];
  const bool here = is_master;
  PoolArray<double> ends(here ? 2 * nfix : 1), target(here ? nfix : 1), s(here ? n : 1), e(here ? n : 1),
      x(here ? std::int64_t{n} * m : 1);
  PathKeep keep;
  int done = 0;  // points kept by an earlier run of the same input
  if (is_master) {
    record_read(rec::Opt_Rfix, ends.data(), 2 * std::int64_t{nfix});
    std::printf("\n Relaxed Scan of %d Coordinate%s over %d Points\n", nfix, nfix > 1 ? "s" : "", n);
    keep = path_keep_for("SCAN");
    done = resume(keep, n, m, s.data(), e.data(), x.data());
  }
  mp_bcast(&done, 1, MP_INT);
  for (int i = done; i < n; ++i) {
    if (is_master) {
      s[i] = static_cast<double>(i) / (n - 1);
      for (int k = 0; k < nfix; ++k) target[k] = (1.0 - s[i]) * ends[k] + s[i] * ends[nfix + k];
      record_write(rec::Opt_Rfix, target.data(), nfix);
      std::printf("\n Scan Point %d of %d: s = %8.6lf\n", i + 1, n, s[i]);
    }
    run_optimization_with(evaluate);
    if (!is_master) continue;
    e[i] = record_get(rec::Energy);
    Molecule mol = load_molecule(0, "Molecule");
    vec_copy(m, mol.xyz, x.data() + std::int64_t{i} * m);
    release_molecule(mol);
    record_put(rec::Path_np, i + 1);
    record_write(rec::Path_X, x.data() + std::int64_t{i} * m, m, std::int64_t{i} * m);
    record_write(rec::Path_E, &e[i], 1, i);
    record_write(rec::Path_S, &s[i], 1, i);
    path_keep_save(keep);
    // The next point starts from this one's Hessian model and gradient.
    if (!record_exists(rec::haveE)) record_put(rec::haveE, ResultsGiven{0, 0, 0});
    record_set_field(rec::haveE, &ResultsGiven::hessian, -1);
  }
  if (!is_master) return;
  record_set_field(rec::haveE, &ResultsGiven::hessian, 0);
  record_write(rec::Opt_Rfix, ends.data(), 2 * std::int64_t{nfix});
  std::printf("\n Scan Structures:\n");
  Molecule mol = load_molecule(0, "Molecule");
  for (int i = 0; i < n; ++i) {
    std::printf("SCAN> n=%2d, s=%8.6lf, E=%15.8lf\n", i, s[i], e[i]);
    print_path_structure(mol, x.data() + std::int64_t{i} * m, "SCAN>");
    print_coordinates(mol.z, x.data() + std::int64_t{i} * m, mol.n_atoms, 1);
  }
  release_molecule(mol);
  print_energy_profile(n, s.data(), e.data());
  std::fflush(stdout);
  path_keep_remove(keep);
}

void coordinate_scan() { coordinate_scan_with(evaluate); }

}  // namespace ostrel
