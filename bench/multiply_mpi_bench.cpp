// Node-parallel multiply of n x n matrices (default 2048), median of a few runs.
//   mpirun -np N bench_multiply_mpi [n] [repeats]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "linalg/multiply.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"

int main(int argc, char** argv) {
  using namespace ostrel;
  mp_start(&argc, &argv);
  const int n = argc > 1 ? std::atoi(argv[1]) : 2048;
  const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
  pool_init(std::int64_t{512} << 20);
  std::vector<double> a, b, c;
  if (is_master) {
    a.resize(std::size_t(n) * n);
    b.resize(a.size());
    c.resize(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
      a[i] = 1.0 / double(1 + i % 1013);
      b[i] = 1.0 / double(2 + i % 997);
    }
  }
  std::vector<double> times;
  for (int r = 0; r < repeats; ++r) {
    barrier();
    const auto t0 = std::chrono::steady_clock::now();
    matrix_multiply(a.data(), b.data(), c.data(), n, n, n, 1, 1, 1, 1.0, 0.0);
    barrier();
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(times.begin(), times.end());
  if (is_master)
    std::printf("nodes=%d n=%d median %.3f s  %.1f GF/s\n", node_count, n,
                times[times.size() / 2], 2.0 * n * double(n) * n / times[times.size() / 2] * 1e-9);
  mp_finish();
  return 0;
}
