#include "scf/grid/grid_orientation.hpp"

#include <cmath>

#include "linalg/jacobi.hpp"

namespace ostrel {

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

}  // namespace ostrel
