#pragma once
// A contracted spherical Gaussian evaluated from its definition, the independent check of the
// program's evaluators: the Cartesian expansion of the solid harmonic times the contraction.
#include <cmath>

#include "integrals/solid_harmonics.hpp"

namespace ostrel::testing {

// Component s of a shell of angular momentum l with n primitives centred at `centre`, at `x`.
inline double gaussian_value(int l, int s, int n, const double* exponents, const double* coefficients,
                             const double* centre, const double* x) {
  const double d[3] = {x[0] - centre[0], x[1] - centre[1], x[2] - centre[2]};
  const double r2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
  double angular = 0.0;
  for (const auto& t : solid_harmonic_terms(l, s)) {
    const CartesianPowers p = cartesian_powers(l, t.cartesian);
    angular += t.coefficient * std::pow(d[0], p.a) * std::pow(d[1], p.b) * std::pow(d[2], p.c);
  }
  double radial = 0.0;
  for (int k = 0; k < n; ++k) radial += coefficients[k] * std::exp(-exponents[k] * r2);
  return angular * radial;
}

}  // namespace ostrel::testing
