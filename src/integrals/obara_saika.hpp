#pragma once

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

}  // namespace ostrel
