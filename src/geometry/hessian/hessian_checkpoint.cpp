#include "geometry/hessian/hessian_checkpoint.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "runtime/store_keep.hpp"

namespace ostrel {
namespace {

// The inputs that decide every point's result.
constexpr const char* kModelRecords[] = {"theory", "Molecule", "Basis", "Basis2", "functional", "fit",
                                         "fitxc", "convergence", "grid_accuracy", "four", "field", "point"};

std::uint64_t model_key(const DifferencePlan& plan) {
  std::uint64_t h = kChecksumStart;
  for (const char* name : kModelRecords) h = store_checksum(name, h);
  const double settings[3] = {static_cast<double>(plan.mode), plan.step, static_cast<double>(plan.n3)};
  h = checksum_bytes(settings, sizeof settings, h);
  // The external program of the theory "SCRIPT" is part of the model.
  if (const char* command = std::getenv("energy")) h = checksum_bytes(command, std::strlen(command), h);
  return h;
}

}  // namespace

Checkpoint checkpoint_for(const DifferencePlan& plan) {
  Checkpoint c{"", model_key(plan)};
  char name[64];
  std::snprintf(name, sizeof name, "/hessian-%016llx.keep", static_cast<unsigned long long>(c.key));
  c.path = store_directory() + name;
  return c;
}

int checkpoint_load(const Checkpoint& c, int n3) {
  const int loaded = store_restore_records(c.path, c.key, kDifferenceRecords, kDifferenceRecordCount);
  if (loaded < 0) std::printf("\n %s is not a complete record of earlier steps: not used\n", c.path.c_str());
  int done = 0;
  if (loaded > 0 && record_exists(rec::num_done))
    for (std::int64_t s = 0; s <= 2 * std::int64_t{n3}; ++s) done += record_get(rec::num_done, s) != 0;
  return done;
}

void checkpoint_save(const Checkpoint& c) {
  store_keep_records(c.path, c.key, kDifferenceRecords, kDifferenceRecordCount);
}

void checkpoint_remove(const Checkpoint& c) { std::remove(c.path.c_str()); }

}  // namespace ostrel
