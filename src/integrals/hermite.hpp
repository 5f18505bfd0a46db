#pragma once
#include "integrals/obara_saika.hpp"

namespace ostrel {

// McMurchie-Davidson expansion of a Gaussian pair in Hermite Gaussians about P:
// (x - B)^i (x - A)^j exp(...) = sum_t e[k][i][j][t] Lambda_t, i the power on B, j on A.
// The exp(-X) factor is left out (it enters through the caller's scale).
inline constexpr int kHermitePowers = kPairMaxL + 2;  // one order for derivatives
inline constexpr int kHermiteOrders = 2 * kHermitePowers - 1;

struct HermiteTables {
  int imax, jmax;
  double e[3][kHermitePowers][kHermitePowers][kHermiteOrders];
};

void hermite_tables(const GaussianPair& g, int imax, int jmax, HermiteTables& h);

// Hermite Coulomb integrals R_tuv (t + u + v <= l) of one pair distribution, flat [t][u][v].
inline constexpr int kHermiteRDim = kHermiteOrders + 1;  // one more order for centre derivatives
struct HermiteIntegrals {
  int l;
  double r[kHermiteRDim][kHermiteRDim][kHermiteRDim];
};

inline constexpr int hermite_max_order() { return kHermiteRDim - 1; }

// Clears the orders 0..l of `out` and sets out.l.
void hermite_clear(int l, HermiteIntegrals& out);

// Adds scale * R_tuv(rho, pc) for t + u + v <= out.l, where
// R_tuv = (d/dPx)^t (d/dPy)^u (d/dPz)^v F_0(rho |PC|^2), pc = P - C.
void hermite_coulomb_add(double rho, const double* pc, double scale, HermiteIntegrals& out);

// Cartesian value sum_tuv e_x[ib.x][ia.x][t] e_y[..][u] e_z[..][v] R[t + dt][u + du][v + dv];
// the shift (dt, du, dv) gives the derivatives with respect to the charge centre.
double hermite_contract(const HermiteTables& h, const HermiteIntegrals& r, const int* pb, const int* pa,
                        int dt = 0, int du = 0, int dv = 0);

}  // namespace ostrel
