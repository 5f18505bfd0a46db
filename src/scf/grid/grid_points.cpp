#include "scf/grid/grid_points.hpp"

#include <cmath>
#include <numbers>

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

}  // namespace ostrel
