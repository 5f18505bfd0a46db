// Nanoseconds per Boys function call (all orders 0..m) over arguments spread like those of the
// nuclear-attraction kernels: mostly small T, a tail into the asymptotic range.
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "integrals/boys.hpp"

int main() {
  std::mt19937_64 rng(7);
  std::exponential_distribution<double> spread(1.0 / 15.0);
  std::uniform_real_distribution<double> wide(0.0, 150.0);
  const int n = 1 << 16;
  std::vector<double> mixed(n), uniform(n);
  for (int i = 0; i < n; ++i) {
    mixed[i] = spread(rng);
    uniform[i] = wide(rng);
  }
  double f[ostrel::kBoysOrderLimit + 1];
  double sink = 0.0;
  std::printf("%4s %14s %14s\n", "m", "ns (T~exp/15)", "ns (T in 0-150)");
  for (int m : {0, 1, 2, 4, 6, 8, 12, 16, 24, 40}) {
    double ns[2];
    for (int which = 0; which < 2; ++which) {
      const std::vector<double>& t = which ? uniform : mixed;
      double best = 1e30;
      for (int rep = 0; rep < 5; ++rep) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < n; ++i) {
          ostrel::boys_function(m, t[i], f);
          sink += f[m];
        }
        const std::chrono::duration<double, std::nano> d = std::chrono::steady_clock::now() - start;
        best = std::min(best, d.count() / n);
      }
      ns[which] = best;
    }
    std::printf("%4d %14.1f %14.1f\n", m, ns[0], ns[1]);
  }
  std::printf("(checksum %.6g)\n", sink);
  return 0;
}
