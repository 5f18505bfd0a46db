// Force-field energy plus gradient for all-anti alkanes (the geometry of mm_alkane.py) with
// the shipped organic set, and 10,000 dynamics steps of the 101-atom one.
// Usage: bench_mm [carbons...]   (default 33 333 1666: 101, 1001 and 5000 atoms)
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "model/molecule_record.hpp"
#include "models/mm/mm_dynamics.hpp"
#include "runtime/pool.hpp"

namespace {

using namespace ostrel;

struct Chain {
  std::vector<double> xyz;
  std::vector<char> types;
  std::vector<int> bonds;
  int n = 0;
  void add(const char* type, double x, double y, double z) {
    for (double v : {x, y, z}) xyz.push_back(v * 1.8897259885789233);
    types.resize(NAME_SLOT * (n + 1), '\0');
    std::strcpy(types.data() + NAME_SLOT * n, type);
    bonds.resize(MAX_NEIGHBOURS * (n + 1), -1);
    ++n;
  }
  void bond(int a, int b) {
    int* list = bonds.data() + MAX_NEIGHBOURS * a;
    while (*list >= 0) ++list;
    *list = b;
  }
};

Chain alkane(int carbons) {
  Chain c;
  const double dx = 1.53 * std::sin(56.0 * M_PI / 180), dy = 1.53 * std::cos(56.0 * M_PI / 180);
  for (int k = 0; k < carbons; ++k) {
    c.add("C4", k * dx, k % 2 ? dy : 0.0, 0.0);
    if (k) c.bond(k, k - 1);
  }
  for (int k = 0; k < carbons; ++k) {
    const double x = c.xyz[3 * k] / 1.8897259885789233, y = c.xyz[3 * k + 1] / 1.8897259885789233;
    const double s = k % 2 ? 1.0 : -1.0;
    auto h = [&](double hx, double hy, double hz) {
      c.add("H", hx, hy, hz);
      c.bond(c.n - 1, k);
    };
    h(x, y + s * 0.556, 0.937);
    h(x, y + s * 0.556, -0.937);
    if (k == 0) h(x - 1.03, y + 0.35, 0.0);
    if (k == carbons - 1) h(x + 1.03, y + s * 0.35, 0.0);
  }
  return c;
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  pool_init(std::int64_t{256} << 20);
  PoolArray<MmParameters> p(1);
  std::FILE* f = std::fopen(OSTREL_SOURCE_DIR "/data/mm/organic.mm", "r");
  if (!f) return 1;
  parse_mm_parameters(f, "mmdata", p[0]);
  std::fclose(f);
  std::vector<int> sizes;
  for (int k = 1; k < argc; ++k) sizes.push_back(std::atoi(argv[k]));
  if (sizes.empty()) sizes = {33, 333, 1666};
  for (int carbons : sizes) {
    Chain c = alkane(carbons);
    const MmStructure s{c.n, c.xyz.data(), c.types.data(), c.bonds.data()};
    std::vector<double> g(3 * c.n);
    double dipole[3];
    const int repeats = std::max(1, 20000 / c.n);
    const auto t0 = std::chrono::steady_clock::now();
    double e = 0;
    for (int r = 0; r < repeats; ++r) e = mm_terms(s, p[0], dipole, g.data(), nullptr);
    std::printf("ostrel_mm atoms=%d ms_per_energy_gradient=%.3f E=%.8f\n", c.n, 1e3 * seconds_since(t0) / repeats, e);
  }
  Chain c = alkane(33);
  const MmStructure s{c.n, c.xyz.data(), c.types.data(), c.bonds.data()};
  std::vector<double> g(3 * c.n), v(3 * c.n, 0.0);
  double dipole[3];
  mm_terms(s, p[0], dipole, g.data(), nullptr);
  const auto t0 = std::chrono::steady_clock::now();
  for (int step = 0; step < 10000; ++step) mm_verlet_step(s, p[0], c.xyz.data(), v.data(), g.data(), 0.5);
  std::printf("ostrel_mm dynamics atoms=%d steps=10000 seconds=%.3f\n", c.n, seconds_since(t0));
  return 0;
}
