#include "integrals/nuclear_repulsion.hpp"

#include <cmath>

#include "runtime/fatal.hpp"
#include "runtime/node.hpp"

namespace ostrel {

double nuclear_repulsion(int natom, const double* xyz, const double* charge, double* gradient,
                         double* hessian) {
  const int n3 = 3 * natom;
  if (gradient)
    for (int i = 0; i < n3; ++i) gradient[i] = 0.0;
  if (hessian)
    for (long i = 0; i < static_cast<long>(n3) * (n3 + 1) / 2; ++i) hessian[i] = 0.0;
  auto h = [&](int r, int c) -> double& {  // packed element, either order
    return r >= c ? hessian[static_cast<long>(r) * (r + 1) / 2 + c]
                  : hessian[static_cast<long>(c) * (c + 1) / 2 + r];
  };
  double energy = 0.0;
  for (int i = 1; i < natom; ++i)
    for (int j = 0; j < i; ++j) {
      const double zz = charge[i] * charge[j];
      if (zz == 0.0) continue;
      double d[3];
      for (int k = 0; k < 3; ++k) d[k] = xyz[3 * i + k] - xyz[3 * j + k];
      const double r2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
      if (r2 == 0.0) fatal_error("\n %d: atoms %d and %d coincide\n", node_id, j + 1, i + 1);
      const double r = std::sqrt(r2);
      const double e = zz / r;
      energy += e;
      const double e3 = e / r2;
      if (gradient)
        for (int k = 0; k < 3; ++k) {
          gradient[3 * i + k] -= e3 * d[k];
          gradient[3 * j + k] += e3 * d[k];
        }
      if (hessian)
        for (int a = 0; a < 3; ++a)
          for (int b = 0; b < 3; ++b) {
            const double v = e3 * (3.0 * d[a] * d[b] / r2 - (a == b ? 1.0 : 0.0));
            // each unordered element once: the diagonal atom blocks by their lower half
            if (b <= a) {
              h(3 * i + a, 3 * i + b) += v;
              h(3 * j + a, 3 * j + b) += v;
            }
            h(3 * i + a, 3 * j + b) -= v;
          }
    }
  return energy;
}

void nuclear_dipole(int natom, const double* xyz, const double* charge, double* dipole) {
  dipole[0] = dipole[1] = dipole[2] = 0.0;
  for (int i = 0; i < natom; ++i)
    for (int k = 0; k < 3; ++k) dipole[k] += charge[i] * xyz[3 * i + k];
}

}  // namespace ostrel
