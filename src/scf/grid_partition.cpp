#include "scf/grid_partition.hpp"

#include <algorithm>
#include <cmath>

namespace ostrel {
namespace {

constexpr double kScale = 1e-7;

double power_four_thirds(double g) { return g * std::cbrt(g); }

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
