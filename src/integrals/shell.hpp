#pragma once
#include "integrals/obara_saika.hpp"
#include "integrals/solid_harmonics.hpp"

namespace ostrel {

// A contracted spherical shell as the pair kernels see it: coefficients already carry the
// primitive and contraction normalisation, so the function is
// sum_k c_k r^l Y(theta, phi) exp(-a_k r^2) about `centre`, Y of unit mean square.
struct Shell {
  const double* centre;  // 3 coordinates, bohr
  int l;
  int nprim;
  const double* exponents;
  const double* coefficients;
};

inline constexpr int shell_size(int l) { return 2 * l + 1; }

// A nuclear charge as the attraction operator sees it; exponent 0 is a point nucleus, a
// positive exponent a Gaussian charge Z (a/pi)^(3/2) exp(-a r^2).
struct PointCharge {
  double position[3];
  double charge;
  double exponent;
};

// Fills the spherical block (2lb+1) x (2la+1) of an operator given its Cartesian value
// for monomial powers pb[3] (on B) and pa[3] (on A).
template <class CartesianValue>
void spherical_block(int lb, int la, CartesianValue&& value, double* out) {
  constexpr int kMax = cartesian_count(kPairMaxL);
  double cart[kMax * kMax];
  const int na = cartesian_count(la), nb = cartesian_count(lb);
  for (int ib = 0; ib < nb; ++ib) {
    const CartesianPowers qb = cartesian_powers(lb, ib);
    const int pb[3] = {qb.a, qb.b, qb.c};
    for (int ia = 0; ia < na; ++ia) {
      const CartesianPowers qa = cartesian_powers(la, ia);
      const int pa[3] = {qa.a, qa.b, qa.c};
      cart[ib * na + ia] = value(pb, pa);
    }
  }
  cartesian_to_spherical_pair(lb, la, cart, out);
}

}  // namespace ostrel
