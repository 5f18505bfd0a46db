#include "runtime/store_keep.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"

namespace ostrel {
namespace {

constexpr char kMagic[8] = {'O', 'S', 'K', 'E', 'E', 'P', '0', '1'};
constexpr int kNameBytes = 16;
constexpr int kMaxKept = 64;

bool among(const char* name, const char* const* names, int n) {
  for (int i = 0; i < n; ++i)
    if (std::strncmp(names[i], name, kNameBytes) == 0) return true;
  return false;
}

struct Entry {
  char name[kNameBytes + 1];
  std::int64_t bytes;
  long offset;  // of the data in the file
};

// Reads and checks the entry headers; false when the file is not a complete set of them.
bool read_entries(std::FILE* f, std::uint64_t key, const char* const* names, int n, Entry* entries, int* count) {
  char magic[8];
  std::uint64_t stored = 0;
  std::int32_t k = 0;
  if (std::fread(magic, 1, 8, f) != 8 || std::memcmp(magic, kMagic, 8) != 0) return false;
  if (std::fread(&stored, sizeof stored, 1, f) != 1 || stored != key) return false;
  if (std::fread(&k, sizeof k, 1, f) != 1 || k < 0 || k > std::min(n, kMaxKept)) return false;
  for (int i = 0; i < k; ++i) {
    Entry& e = entries[i];
    std::memset(e.name, 0, sizeof e.name);
    if (std::fread(e.name, 1, kNameBytes, f) != kNameBytes || !among(e.name, names, n)) return false;
    if (std::fread(&e.bytes, sizeof e.bytes, 1, f) != 1 || e.bytes < 0) return false;
    const std::int64_t have = store_size(e.name);
    if (have >= 0 && have != e.bytes) return false;
    e.offset = std::ftell(f);
    if (std::fseek(f, static_cast<long>(e.bytes), SEEK_CUR) != 0) return false;
  }
  const long end = std::ftell(f);
  std::fseek(f, 0, SEEK_END);
  *count = k;
  return std::ftell(f) == end;
}

}  // namespace

std::uint64_t checksum_bytes(const void* data, std::size_t size, std::uint64_t hash) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
  return hash;
}

std::uint64_t store_checksum(const char* name, std::uint64_t hash) {
  const std::int64_t bytes = store_size(name);
  hash = checksum_bytes(name, std::strlen(name), hash);
  hash = checksum_bytes(&bytes, sizeof bytes, hash);
  if (bytes <= 0) return hash;
  PoolArray<char> data(bytes);
  store_read(name, 0, data.data(), bytes);
  return checksum_bytes(data.data(), static_cast<std::size_t>(bytes), hash);
}

void store_copy_record(const char* to, const char* from) {
  const std::int64_t bytes = store_size(from);
  if (bytes <= 0) return;
  const std::int64_t have = store_size(to);
  if (have >= 0 && have != bytes)
    fatal_error("\n %s and %s differ in size (%lld, %lld bytes)\n", to, from, static_cast<long long>(have),
                static_cast<long long>(bytes));
  store_copy(to, from, 0, 0, bytes);
}

void store_keep_records(const std::string& path, std::uint64_t key, const char* const* names, int n) {
  // Processes that keep the same records at once (tests) must not share the temporary file.
  const std::string temporary = path + ".new" + std::to_string(static_cast<int>(getpid()));
  std::FILE* f = std::fopen(temporary.c_str(), "wb");
  if (!f) fatal_error("\n %s: cannot be written\n", temporary.c_str());
  std::int32_t count = 0;
  for (int i = 0; i < n; ++i) count += store_exists(names[i]);
  bool ok = std::fwrite(kMagic, 1, 8, f) == 8 && std::fwrite(&key, sizeof key, 1, f) == 1 &&
            std::fwrite(&count, sizeof count, 1, f) == 1;
  for (int i = 0; ok && i < n; ++i) {
    if (!store_exists(names[i])) continue;
    char field[kNameBytes] = {};
    std::memcpy(field, names[i], std::min<std::size_t>(std::strlen(names[i]), kNameBytes));
    const std::int64_t bytes = store_size(names[i]);
    PoolArray<char> data(bytes > 0 ? bytes : 1);
    if (bytes > 0) store_read(names[i], 0, data.data(), bytes);
    ok = std::fwrite(field, 1, kNameBytes, f) == kNameBytes && std::fwrite(&bytes, sizeof bytes, 1, f) == 1 &&
         std::fwrite(data.data(), 1, static_cast<std::size_t>(bytes), f) == static_cast<std::size_t>(bytes);
  }
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    fatal_error("\n %s: cannot be written\n", path.c_str());
  }
}

int store_restore_records(const std::string& path, std::uint64_t key, const char* const* names, int n) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return 0;
  Entry entries[kMaxKept];
  int count = 0;
  if (!read_entries(f, key, names, n, entries, &count)) {
    std::fclose(f);
    return -1;
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
  return 1;
}

}  // namespace ostrel
