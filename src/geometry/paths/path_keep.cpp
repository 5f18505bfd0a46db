#include "geometry/paths/path_keep.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "geometry/optimize_records.hpp"
#include "geometry/paths/path_records.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "runtime/store_keep.hpp"

namespace ostrel {
namespace {

// The inputs that decide the path: the model, the start structure and the path options.
constexpr const char* kKeyRecords[] = {"theory", "Molecule", "Basis", "Basis2", "functional", "fit",
                                       "fitxc", "convergence", "grid_accuracy", "four", "field", "point",
                                       "Opt.radius", "Opt.back", "Opt.saddle", "Opt.exact", "Opt.points",
                                       "Opt.tolerance", "Opt.MaxSteps", "Opt.follow", "Opt.trust",
                                       "Opt.Kfix", "Opt.Rfix", "Opt.cartesian", "Opt.massw", "Opt.maximize",
                                       "Opt.minimize", "Opt.wr", "Opt.NK", "Opt.K", "Path.Nguess", "Path.Xguess"};
constexpr const char* kKept[] = {"Path.np", "Path.X",  "Path.E",  "Path.S",  "Path.G", "Path.W",
                                 "Path.T",  "Path.GX", "Path.Xo", "Path.Go", "Path.H", "Opt.Hx"};
constexpr int kKeptCount = sizeof kKept / sizeof kKept[0];

}  // namespace

PathKeep path_keep_for(const char* task) {
  std::uint64_t h = checksum_bytes(task, std::strlen(task), kChecksumStart);
  for (const char* name : kKeyRecords) h = store_checksum(name, h);
  if (const char* command = std::getenv("energy")) h = checksum_bytes(command, std::strlen(command), h);
  PathKeep k{"", h};
  char name[64];
  std::snprintf(name, sizeof name, "/path-%016llx.keep", static_cast<unsigned long long>(h));
  k.path = store_directory() + name;
  return k;
}

void path_keep_records(int points, int m, int state) {
  record_ensure(rec::Path_np, 1);
  record_ensure(rec::Path_X, std::int64_t{points} * m);
  record_ensure(rec::Path_E, points);
  record_ensure(rec::Path_S, points);
  record_ensure(rec::Path_G, m);
  record_ensure(rec::Path_W, 1);
  if (state > 0) record_ensure(rec::Path_T, state);
  record_ensure(rec::Opt_Hx, packed_size(m));
}

void path_keep_chain_records(int points, int m, bool models) {
  const std::int64_t all = std::int64_t{points} * m;
  record_ensure(rec::Path_GX, all);
  if (!models) return;
  record_ensure(rec::Path_Xo, all);
  record_ensure(rec::Path_Go, all);
  record_ensure(rec::Path_H, points * packed_size(m));
}

int path_keep_load(const PathKeep& k) {
  const int loaded = store_restore_records(k.path, k.key, kKept, kKeptCount);
  if (loaded < 0) std::printf("\n %s does not hold this path: not used\n", k.path.c_str());
  return loaded;
}

int path_keep_resume(const PathKeep& k, int most) {
  if (path_keep_load(k) <= 0) return 0;
  return std::clamp(record_get(rec::Path_np), 0, most);
}

void path_keep_put_points(int np, int m, const double* x, const double* e, const double* s) {
  record_put(rec::Path_np, np);
  record_write(rec::Path_X, x, std::int64_t{np} * m);
  record_write(rec::Path_E, e, np);
  if (s) record_write(rec::Path_S, s, np);
}

void path_keep_get_points(int np, int m, double* x, double* e, double* s) {
  record_read(rec::Path_X, x, std::int64_t{np} * m);
  record_read(rec::Path_E, e, np);
  if (s) record_read(rec::Path_S, s, np);
}

void path_keep_save(const PathKeep& k) { store_keep_records(k.path, k.key, kKept, kKeptCount); }

void path_keep_remove(const PathKeep& k) { std::remove(k.path.c_str()); }

}  // namespace ostrel
