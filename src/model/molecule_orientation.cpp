#include "model/molecule_orientation.hpp"

#include <cmath>

#include "linalg/jacobi.hpp"

namespace ostrel {

void orient_structure(int n, const double* xyz, double* rotated, double* centre, double* axes,
                      double* largest) {
  double mean[3] = {0.0, 0.0, 0.0};
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < 3; ++k) mean[k] += xyz[3 * i + k];
  if (n > 0)
    for (double& m : mean) m /= n;

  double t[6] = {0, 0, 0, 0, 0, 0};  // yy+zz, -xy, xx+zz, -xz, -yz, xx+yy
  double far2 = 0.0;
  for (int i = 0; i < n; ++i) {
    double x = xyz[3 * i] - mean[0], y = xyz[3 * i + 1] - mean[1], z = xyz[3 * i + 2] - mean[2];
    t[0] += y * y + z * z;
    t[1] -= x * y;
    t[2] += x * x + z * z;
    t[3] -= x * z;
    t[4] -= y * z;
    t[5] += x * x + y * y;
    far2 = std::fmax(far2, x * x + y * y + z * z);
  }
  double vec[9], val[3];
  eigen_jacobi(t, vec, val, 3, 0);
  double det = vec[0] * (vec[4] * vec[8] - vec[5] * vec[7]) -
               vec[1] * (vec[3] * vec[8] - vec[5] * vec[6]) +
               vec[2] * (vec[3] * vec[7] - vec[4] * vec[6]);
  if (det < 0.0)
    for (int k = 0; k < 3; ++k) vec[k] = -vec[k];

  if (rotated) {
    for (int i = 0; i < n; ++i) {
      double p[3] = {xyz[3 * i] - mean[0], xyz[3 * i + 1] - mean[1], xyz[3 * i + 2] - mean[2]};
      for (int k = 0; k < 3; ++k)
        rotated[3 * i + k] = p[0] * vec[3 * k] + p[1] * vec[3 * k + 1] + p[2] * vec[3 * k + 2];
    }
  }
  if (centre)
    for (int k = 0; k < 3; ++k) centre[k] = mean[k];
  if (axes)
    for (int k = 0; k < 9; ++k) axes[k] = vec[k];
  if (largest) *largest = std::sqrt(far2);
}

}  // namespace ostrel
