#include "geometry/hessian/hessian_checkpoint.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"

namespace ostrel {
namespace {

constexpr char kMagic[8] = {'O', 'S', 'H', 'E', 'S', 'S', '0', '1'};
constexpr int kNameBytes = 16;

// The inputs that decide every point's result.
constexpr const char* kModelRecords[] = {"theory", "Molecule", "Basis", "Basis2", "functional", "fit",
                                         "fitxc", "convergence", "grid_accuracy", "four", "field", "point"};

std::uint64_t mix(std::uint64_t h, const void* data, std::size_t n) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

std::uint64_t mix_record(std::uint64_t h, const char* name) {
  const std::int64_t bytes = store_size(name);
  h = mix(h, name, std::strlen(name));
  h = mix(h, &bytes, sizeof bytes);
  if (bytes <= 0) return h;
  PoolArray<char> data(bytes);
  store_read(name, 0, data.data(), bytes);
  return mix(h, data.data(), static_cast<std::size_t>(bytes));
}

std::uint64_t model_key(const DifferencePlan& plan) {
  std::uint64_t h = 14695981039346656037ull;
  for (const char* name : kModelRecords) h = mix_record(h, name);
  const double settings[3] = {static_cast<double>(plan.mode), plan.step, static_cast<double>(plan.n3)};
  h = mix(h, settings, sizeof settings);
  // The external program of the theory "SCRIPT" is part of the model.
  if (const char* command = std::getenv("energy")) h = mix(h, command, std::strlen(command));
  return h;
}

bool is_difference_record(const char* name) {
  for (const char* r : kDifferenceRecords)
    if (std::strncmp(r, name, kNameBytes) == 0) return true;
  return false;
}

struct Entry {
  char name[kNameBytes + 1];
  std::int64_t bytes;
  long offset;  // of the data in the file
};

// Reads the entry headers; false when the file is not a complete checkpoint of `key`.
bool read_entries(std::FILE* f, std::uint64_t key, Entry* entries, int* count) {
  char magic[8];
  std::uint64_t stored_key = 0;
  std::int32_t n = 0;
  if (std::fread(magic, 1, 8, f) != 8 || std::memcmp(magic, kMagic, 8) != 0) return false;
  if (std::fread(&stored_key, sizeof stored_key, 1, f) != 1 || stored_key != key) return false;
  if (std::fread(&n, sizeof n, 1, f) != 1 || n < 0 || n > kDifferenceRecordCount) return false;
  for (int i = 0; i < n; ++i) {
    Entry& e = entries[i];
    std::memset(e.name, 0, sizeof e.name);
    if (std::fread(e.name, 1, kNameBytes, f) != kNameBytes || !is_difference_record(e.name)) return false;
    if (std::fread(&e.bytes, sizeof e.bytes, 1, f) != 1 || e.bytes < 0) return false;
    e.offset = std::ftell(f);
    if (std::fseek(f, static_cast<long>(e.bytes), SEEK_CUR) != 0) return false;
  }
  const long end = std::ftell(f);
  std::fseek(f, 0, SEEK_END);
  *count = n;
  return std::ftell(f) == end;
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
  const std::string& path = c.path;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return 0;
  Entry entries[kDifferenceRecordCount];
  int count = 0;
  bool ok = read_entries(f, c.key, entries, &count);
  // A record the store already holds must keep its size; the step flags must fit n3.
  for (int i = 0; ok && i < count; ++i) {
    const std::int64_t have = store_size(entries[i].name);
    ok = have < 0 || have == entries[i].bytes;
    if (std::strcmp(entries[i].name, "num_done") == 0) ok = ok && entries[i].bytes == 4 * (1 + 2 * std::int64_t{n3});
  }
  if (!ok) {
    std::fclose(f);
    std::printf("\n %s is not a complete record of earlier steps: not used\n", path.c_str());
    return 0;
  }
  for (int i = 0; i < count; ++i) {
    PoolArray<char> data(entries[i].bytes > 0 ? entries[i].bytes : 1);
    std::fseek(f, entries[i].offset, SEEK_SET);
    if (std::fread(data.data(), 1, static_cast<std::size_t>(entries[i].bytes), f) !=
        static_cast<std::size_t>(entries[i].bytes)) {
      std::fclose(f);
      fatal_error("\n %s: read error\n", path.c_str());
    }
    store_write(entries[i].name, 0, data.data(), entries[i].bytes);
  }
  std::fclose(f);
  int done = 0;
  if (record_exists(rec::num_done))
    for (std::int64_t s = 0; s <= 2 * std::int64_t{n3}; ++s) done += record_get(rec::num_done, s) != 0;
  return done;
}

void checkpoint_save(const Checkpoint& c) {
  const std::string& path = c.path;
  // Nodes that each run a whole Hessian alone (tests) share the name; the pid keeps them apart.
  const std::string temporary = path + ".new" + std::to_string(static_cast<int>(getpid()));
  std::FILE* f = std::fopen(temporary.c_str(), "wb");
  if (!f) fatal_error("\n %s: cannot be written\n", temporary.c_str());
  std::int32_t n = 0;
  for (const char* name : kDifferenceRecords) n += store_exists(name);
  bool ok = std::fwrite(kMagic, 1, 8, f) == 8 && std::fwrite(&c.key, sizeof c.key, 1, f) == 1 &&
            std::fwrite(&n, sizeof n, 1, f) == 1;
  for (const char* name : kDifferenceRecords) {
    if (!ok || !store_exists(name)) continue;
    char field[kNameBytes] = {};
    std::memcpy(field, name, std::min<std::size_t>(std::strlen(name), kNameBytes));
    const std::int64_t bytes = store_size(name);
    PoolArray<char> data(bytes > 0 ? bytes : 1);
    if (bytes > 0) store_read(name, 0, data.data(), bytes);
    ok = std::fwrite(field, 1, kNameBytes, f) == kNameBytes && std::fwrite(&bytes, sizeof bytes, 1, f) == 1 &&
         std::fwrite(data.data(), 1, static_cast<std::size_t>(bytes), f) == static_cast<std::size_t>(bytes);
  }
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    fatal_error("\n %s: cannot be written\n", path.c_str());
  }
}

void checkpoint_remove(const Checkpoint& c) { std::remove(c.path.c_str()); }

}  // namespace ostrel
