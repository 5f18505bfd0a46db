#pragma once
// The tables of a Gaussian pair that every integral is built from: one-dimensional
// Obara-Saika overlap tables, the McMurchie-Davidson Hermite expansion and the Hermite
// Coulomb integrals.

namespace ostrel {

// Largest angular momentum of one shell in the one-electron kernels; tables reach two
// powers further for the kinetic operator and its derivatives.
inline constexpr int kPairMaxL = 10;
inline constexpr int kOsPowers = 23;  // powers 0..22 on each side

// One pair of primitive exponents: a on centre A, b on centre B.
struct GaussianPair {
  double a, b, p;
  double A[3], B[3], P[3];
  double exponent;   // X = a b |A - B|^2 / p
  double gaussian;   // exp(-X)
  double prefactor;  // pi^(3/2) exp(-X) / p^(3/2), the s-s overlap
};

GaussianPair gaussian_pair(double a, const double* A, double b, const double* B);

// One-dimensional overlap integrals s[k][i][j] for direction k (x, y, z) of
// (x - B)^i (x - A)^j times the Gaussian pair; i is the power on B, j on A. The z table
// carries the prefactor, so a product of one factor per direction is a full integral.
struct OverlapTables {
  int imax, jmax;
  double s[3][kOsPowers][kOsPowers];
};

void overlap_tables(const GaussianPair& g, int imax, int jmax, OverlapTables& t);

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
