#pragma once

namespace ostrel {

// Least-squares expansions of Slater functions of exponent 1 in K = 2, 3, 4 Gaussians of
// the same L. Row n(n-1)/2 + L (n = 1..7, L < n) holds K pairs (alpha, d); d includes the
// normalisation of the primitive r^L Y exp(-alpha r^2) (Y of unit mean square), so that
// sum_i d_i r^L Y exp(-alpha_i r^2) is normalised.
extern const double sto_kg_2[28][4];
extern const double sto_kg_3[28][6];
extern const double sto_kg_4[28][8];

// The row for (k, n, l), or null when there is none.
const double* sto_kg_row(int k, int n, int l);

}  // namespace ostrel
