#include "runtime/pool.hpp"

#include <cstdint>
#include <cstdlib>

#include "runtime/fatal.hpp"

namespace ostrel {
namespace {

constexpr int kMaxBlocks = 65536;
constexpr std::int64_t kAlign = 64;

struct Pool {
  char* raw = nullptr;
  char* base = nullptr;
  char* limit = nullptr;
  char* top = nullptr;
  std::int64_t peak = 0;
  int depth = 0;
  char* marks[kMaxBlocks];
};

Pool pool;

}  // namespace

void pool_init(std::int64_t size) {
  std::free(pool.raw);
  pool.raw = nullptr;
  if (size < 0) fatal_error("\n malloc(%ld) failed.\n", static_cast<long>(size));
  pool.raw = static_cast<char*>(std::malloc(static_cast<std::size_t>(size + kAlign)));
  if (!pool.raw) fatal_error("\n malloc(%ld) failed.\n", static_cast<long>(size));
  auto address = reinterpret_cast<std::uintptr_t>(pool.raw);
  pool.base = pool.raw + ((kAlign - static_cast<std::int64_t>(address % kAlign)) % kAlign);
  pool.limit = pool.base + size;
  pool.top = pool.base;
  pool.depth = 0;
  pool.peak = 0;
}

void* pool_alloc(std::int64_t size) {
  if (pool.depth >= kMaxBlocks) fatal_error("\n memory!\n");
  // Negative sizes come from overflowed size arithmetic: report them as not fitting.
  std::int64_t rounded =
      (size < 0 || size > INT64_MAX / 2) ? INT64_MAX / 2 : (size + kAlign - 1) / kAlign * kAlign;
  std::int64_t in_use = pool.top - pool.base;
  if (rounded >= pool.limit - pool.top)
    fatal_error("\n we need %ld bytes of memory...\n", static_cast<long>(in_use + rounded));
  char* block = pool.top;
  pool.marks[pool.depth++] = block;
  pool.top += rounded;
  if (pool.top - pool.base > pool.peak) pool.peak = pool.top - pool.base;
  return block;
}

void pool_release(void* block) {
  for (int i = pool.depth - 1; i >= 0; --i) {
    if (pool.marks[i] == block) {
      pool.top = pool.marks[i];
      pool.depth = i;
      return;
    }
  }
  pool.depth = 0;
  fatal_error("\n freemem...\n");
}

std::int64_t pool_available() { return pool.limit - pool.top - kAlign; }

std::int64_t pool_peak() { return pool.peak; }

}  // namespace ostrel
