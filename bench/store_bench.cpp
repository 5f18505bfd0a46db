// Writes and reads 1 GB through the named store in file mode and prints MB/s.
// Usage: bench_store DIR [MB]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "runtime/pool.hpp"
#include "runtime/store.hpp"

int main(int argc, char** argv) {
  using namespace ostrel;
  const char* dir = argc > 1 ? argv[1] : "/tmp";
  std::int64_t mb = argc > 2 ? std::atoll(argv[2]) : 1024;
  const std::int64_t chunk = std::int64_t{64} << 20;
  pool_init(std::int64_t{256} << 20);
  store_open(dir, 2);
  std::vector<char> buffer(static_cast<std::size_t>(chunk), 'o');
  std::int64_t total = mb << 20;
  store_alloc("bench", total);
  auto t0 = std::chrono::steady_clock::now();
  for (std::int64_t done = 0; done < total; done += chunk)
    store_write("bench", SEQUENTIAL, buffer.data(), std::min(chunk, total - done));
  auto t1 = std::chrono::steady_clock::now();
  store_skip("bench", 0, 0);
  std::int64_t bad = 0;
  for (std::int64_t done = 0; done < total; done += chunk) {
    buffer[0] = buffer[static_cast<std::size_t>(chunk - 1)] = 0;
    store_read("bench", SEQUENTIAL, buffer.data(), std::min(chunk, total - done));
    bad += (buffer[0] != 'o') + (buffer[static_cast<std::size_t>(chunk - 1)] != 'o');
  }
  auto t2 = std::chrono::steady_clock::now();
  double w = std::chrono::duration<double>(t1 - t0).count();
  double r = std::chrono::duration<double>(t2 - t1).count();
  std::printf("store write %.0f MB/s  read %.0f MB/s  (%lld MB, 64 MB transfers)\n", mb / w,
              mb / r, static_cast<long long>(mb));
  store_close();
  if (bad) std::printf("read-back mismatch in %lld places\n", static_cast<long long>(bad));
  return bad ? 1 : 0;
}
