#include "geometry/paths/path_keep.hpp"

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
                                       "Opt.Kfix", "Opt.Rfix"};
constexpr const char* kKept[] = {"Path.np", "Path.X", "Path.E", "Path.S", "Path.G", "Path.W", "Opt.Hx"};
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

void path_keep_records(int points, int m) {
  record_ensure(rec::Path_np, 1);
  record_ensure(rec::Path_X, std::int64_t{points} * m);
  record_ensure(rec::Path_E, points);
  record_ensure(rec::Path_S, points);
  record_ensure(rec::Path_G, m);
  record_ensure(rec::Path_W, 1);
  record_ensure(rec::Opt_Hx, packed_size(m));
}

int path_keep_load(const PathKeep& k) {
  const int loaded = store_restore_records(k.path, k.key, kKept, kKeptCount);
  if (loaded < 0) std::printf("\n %s does not hold this path: not used\n", k.path.c_str());
  return loaded;
}

void path_keep_save(const PathKeep& k) { store_keep_records(k.path, k.key, kKept, kKeptCount); }

void path_keep_remove(const PathKeep& k) { std::remove(k.path.c_str()); }

}  // namespace ostrel
