#include "scf/grid/grid_partition.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace ostrel {
namespace {

constexpr double kScale = 1e-7;

// g^(4/3) for g > 0 (the partition densities are at least 1e-16): a cube root from a
// bit-level first guess (within 6%) and three Halley steps, to rounding; the library cube root
// was a sixth of the partition passes.
double power_four_thirds(double g) {
  std::uint64_t bits;
  std::memcpy(&bits, &g, 8);
  bits = bits / 3 + 0x2A9F7893782DA1CEull;
  double y;
  std::memcpy(&y, &bits, 8);
  for (int k = 0; k < 3; ++k) {
    const double y3 = y * y * y;
    y *= (y3 + 2.0 * g) / (2.0 * y3 + g);
  }
  return g * y;
}

}  // namespace

int shell_neighbours(int atom, double r, int n, const double* xyz, const double* atom_extent2,
                     int* list, int* self) {
  int count = 0;
  const double* a = xyz + 3 * atom;
  for (int b = 0; b < n; ++b) {
    if (b == atom) {
      *self = count;
      list[count++] = b;
      continue;
    }
    const double d[3] = {a[0] - xyz[3 * b], a[1] - xyz[3 * b + 1], a[2] - xyz[3 * b + 2]};
    const double gap = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) - r;
    if (gap < 0.0 || gap * gap < atom_extent2[b]) list[count++] = b;
  }
  return count;
}

double partition_density(double rho) {
  if (rho < 1e-16) return 1e-16;
  const double x = rho / kScale;
  if (x <= 0.001) return kScale * x * x / 2;
  if (x <= 36.0) return kScale * std::log(std::exp(x) - x);
  return rho;
}

double partition_weight(const double* rho, int n_list, int self) {
  double sum = 0.0, own = 0.0;
  for (int j = 0; j < n_list; ++j) {
    const double g = power_four_thirds(partition_density(rho[j]));
    sum += g;
    if (j == self) own = g;
  }
  return sum > 0.0 ? own / sum : 0.0;
}

double partition_weight_orbital(const double* rho, int n_list, int self) {
  double sum = 0.0, own = 0.0;
  for (int j = 0; j < n_list; ++j) {
    const double g = power_four_thirds(std::max(rho[j], 1e-12));
    sum += g;
    if (j == self) own = g;
  }
  return sum > 0.0 ? own / sum : 0.0;
}

}  // namespace ostrel
