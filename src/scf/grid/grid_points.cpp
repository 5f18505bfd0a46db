#include "scf/grid/grid_points.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "linalg/small_solvers.hpp"
#include "scf/grid/lebedev.hpp"

namespace ostrel {

RadialPoint radial_point(int n, int s, double alpha) {
  const double x = (s + 1.0) / (n + 1.0);
  const double q = 1.0 - x * x * x;
  return {-alpha * std::log(q), 3.0 * alpha * x * x / ((n + 1.0) * q)};
}

int shell_points(int n, double* points, double* weights, const double centre[3],
                 const double orientation[9], double r, double w_r) {
  if (lebedev_points(n, points, weights) != n) return 0;
  const double scale = 4.0 * std::numbers::pi * r * r * w_r;
  const double* o = orientation;
  for (int i = 0; i < n; ++i) {
    double* p = points + 3 * i;
    const double u[3] = {p[0], p[1], p[2]};
    for (int k = 0; k < 3; ++k)
      p[k] = centre[k] + r * (o[k] * u[0] + o[k + 3] * u[1] + o[k + 6] * u[2]);
    weights[i] *= scale;
  }
  return n;
}

void sort_by_direction(int* order, int n_local, const double* points, const double centre[3],
                       int* key, int* cell_start) {
  const int cells = std::max(n_local / 48, 2);
  const int nz = std::max(static_cast<int>(std::lround(std::sqrt(cells / 2.0))), 1);
  const int nphi = 2 * nz, n_cells = nz * nphi;
  for (int c = 0; c <= n_cells; ++c) cell_start[c] = 0;
  for (int j = 0; j < n_local; ++j) {
    const double* p = points + 3 * order[j];
    const double dx = p[0] - centre[0], dy = p[1] - centre[1], dz = p[2] - centre[2];
    const double r = std::sqrt(dx * dx + dy * dy + dz * dz);
    const int iz = std::clamp(static_cast<int>((dz / r + 1.0) * 0.5 * nz), 0, nz - 1);
    const int ip = std::clamp(
        static_cast<int>((std::atan2(dy, dx) / std::numbers::pi + 1.0) * 0.5 * nphi), 0, nphi - 1);
    // Snake through the sectors so that the last cell of a band touches the next band's first.
    const int cell = iz * nphi + (iz % 2 ? nphi - 1 - ip : ip);
    key[j] = cell;
    ++cell_start[cell + 1];
  }
  for (int c = 0; c < n_cells; ++c) cell_start[c + 1] += cell_start[c];
  int* sorted = key + n_local;
  for (int j = 0; j < n_local; ++j) sorted[cell_start[key[j]]++] = order[j];
  std::copy(sorted, sorted + n_local, order);
}

void grid_orientation(int atom, int n, const double* xyz, double orientation[9]) {
  double m[6] = {0, 0, 0, 0, 0, 0};  // packed lower triangle
  const double* a = xyz + 3 * atom;
  for (int b = 0; b < n; ++b) {
    if (b == atom) continue;
    const double d[3] = {a[0] - xyz[3 * b], a[1] - xyz[3 * b + 1], a[2] - xyz[3 * b + 2]};
    const double d2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    const double f = std::exp(-0.125 * d2);
    for (int i = 0, k = 0; i < 3; ++i)
      for (int j = 0; j <= i; ++j, ++k) m[k] += f * (d[i] * d[j] - (i == j ? d2 : 0.0));
  }
  double values[3];
  eigen_jacobi(m, orientation, values, 3, 0);
}


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

}  // namespace ostrel
