// Core-core repulsion: the MNDO form (Dewar and Thiel 1977) with its N-H and O-H variant,
// plus the Gaussian terms of AM1 (Dewar et al. 1985) and PM3 (Stewart 1989) when the
// parameter file gives them.
#include "models/nddo/nddo_core_repulsion.hpp"

#include <cmath>

namespace ostrel {
namespace {

bool hydroxyl_like(int z) { return z == 7 || z == 8; }

template <class T>
T gaussians(const NddoAtom& a, const T& ra) {
  using std::exp;
  T sum = 0.0;
  for (int k = 0; k < a.gaussians; ++k) {
    const T d = ra - T(a.gm[k]);
    sum += T(a.gk[k]) * exp(T(-a.gl[k]) * d * d);
  }
  return sum;
}

}  // namespace

template <class T>
T nddo_core_repulsion(const NddoAtom& a, const NddoAtom& b, const T& r, const T& gamma) {
  using std::exp;
  const T ra = r * T(kNddoBohr);  // the exponents are per angstrom
  const T zz = a.core * b.core;
  const T ea = exp(T(-a.alpha) * ra), eb = exp(T(-b.alpha) * ra);
  T f;
  if (b.z == 1 && hydroxyl_like(a.z))
    f = T(1.0) + ra * ea + eb;
  else if (a.z == 1 && hydroxyl_like(b.z))
    f = T(1.0) + ea + ra * eb;
  else
    f = T(1.0) + ea + eb;
  T e = zz * gamma * f;
  if (a.gaussians || b.gaussians) e += zz / ra * (gaussians(a, ra) + gaussians(b, ra));
  return e;
}

template double nddo_core_repulsion(const NddoAtom&, const NddoAtom&, const double&, const double&);
template Dual3 nddo_core_repulsion(const NddoAtom&, const NddoAtom&, const Dual3&, const Dual3&);

}  // namespace ostrel
