#include "runtime/pool.hpp"

#include "support/fatal_trap.hpp"

namespace ostrel {
namespace {

constexpr std::int64_t kMB = std::int64_t{1} << 20;

std::int64_t distance(void* a, void* b) { return static_cast<char*>(b) - static_cast<char*>(a); }

TEST(MemoryPool, BlocksAreAlignedAndRoundedTo64Bytes) {
  pool_init(kMB);
  void* a = pool_alloc(1);
  void* b = pool_alloc(64);
  void* c = pool_alloc(0);
  void* d = pool_alloc(65);
  void* e = pool_alloc(8);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a) % 64, 0u);
  EXPECT_EQ(distance(a, b), 64);
  EXPECT_EQ(distance(b, c), 64);
  EXPECT_EQ(c, d);  // a zero-byte block takes no room
  EXPECT_EQ(distance(d, e), 128);
  // The zero-byte block still holds a mark: releasing it frees d and e.
  pool_release(c);
  EXPECT_EQ(pool_alloc(8), c);
}

// The limit is exclusive and leaves 64 bytes; overflowed sizes are refused, not wrapped.
TEST(MemoryPool, LimitIsExclusiveAndLeaves64Bytes) {
  pool_init(kMB);
  EXPECT_EQ(pool_available(), kMB - 64);
  EXPECT_FATAL(pool_alloc(kMB), "we need 1048576 bytes of memory...");
  EXPECT_FATAL(pool_alloc(kMB - 63), "we need 1048576 bytes");
  EXPECT_FATAL(pool_alloc(-8), "we need");
  EXPECT_FATAL(pool_alloc(INT64_MAX - 10), "we need");
  void* all = pool_alloc(kMB - 64);
  EXPECT_EQ(pool_available(), 0);
  pool_release(all);
  EXPECT_EQ(pool_available(), kMB - 64);
}

// Releasing a block frees it and every later one, keeps earlier ones and rejects stale
// blocks; the peak stays at its maximum.
TEST(MemoryPool, ReleaseFreesLaterBlocksOnly) {
  pool_init(kMB);
  void* a = pool_alloc(1000);
  void* b = pool_alloc(5000);
  pool_alloc(300);
  pool_release(b);
  EXPECT_EQ(pool_available(), kMB - 64 - 1024);
  pool_alloc(10);
  pool_release(a);
  EXPECT_EQ(pool_available(), kMB - 64);
  EXPECT_EQ(pool_peak(), 1024 + 5056 + 320);
  EXPECT_FATAL(pool_release(b), "freemem...");
}

TEST(MemoryPool, MarkStackHoldsAtMost65536Blocks) {
  pool_init(kMB);
  void* first = pool_alloc(0);
  for (int i = 1; i < 65536; ++i) pool_alloc(0);
  EXPECT_FATAL(pool_alloc(0), "memory!");
  pool_release(first);
  EXPECT_NE(pool_alloc(0), nullptr);
}

TEST(MemoryPool, ScopedArraysReleaseInReverseOrder) {
  pool_init(kMB);
  {
    PoolArray<double> outer(100);
    {
      PoolArray<int> inner(10);
      inner[9] = 3;
    }
    outer[99] = 1.0;
    EXPECT_EQ(pool_available(), kMB - 64 - 832);
  }
  EXPECT_EQ(pool_available(), kMB - 64);
}

}  // namespace
}  // namespace ostrel
