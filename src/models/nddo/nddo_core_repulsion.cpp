// Core-core repulsion: the MNDO form (Dewar and Thiel 1977) with its N-H and O-H variant,
// plus the Gaussian terms of AM1 (Dewar et al. 1985) and PM3 (Stewart 1989) when the
// parameter file gives them.
#include <cmath>

#include "models/nddo/nddo_pair.hpp"

namespace ostrel {
namespace {

bool hydroxyl_like(int z) { return z == 7 || z == 8; }

double gaussians(const NddoAtom& a, double ra) {
  double sum = 0;
  for (int k = 0; k < a.gaussians; ++k) {
    const double d = ra - a.gm[k];
    sum += a.gk[k] * std::exp(-a.gl[k] * d * d);
  }
  return sum;
}

}  // namespace

double nddo_core_repulsion(const NddoAtom& a, const NddoAtom& b, double r, double gamma) {
  const double ra = r * kNddoBohr;  // the exponents are per angstrom
  const double zz = a.core * b.core;
  const double ea = std::exp(-a.alpha * ra), eb = std::exp(-b.alpha * ra);
  double f;
  if (b.z == 1 && hydroxyl_like(a.z))
    f = 1 + ra * ea + eb;
  else if (a.z == 1 && hydroxyl_like(b.z))
    f = 1 + ea + ra * eb;
  else
    f = 1 + ea + eb;
  double e = zz * gamma * f;
  if (a.gaussians || b.gaussians) e += zz / ra * (gaussians(a, ra) + gaussians(b, ra));
  return e;
}

}  // namespace ostrel
