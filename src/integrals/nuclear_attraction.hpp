#pragma once
#include <span>

#include "integrals/hermite.hpp"
#include "integrals/shell.hpp"

namespace ostrel {

// Attraction of an exponent pair to a set of charges, -sum_C Z_C <B| 1/|r - C| |A> (Gaussian
// charges smeared over their distribution), in the Hermite scheme: the charges are summed
// into one set of Hermite integrals of order l, then contracted with the pair's expansion.
void attraction_hermite_sum(const GaussianPair& g, std::span<const PointCharge> charges, int l,
                            HermiteIntegrals& out);

// Value block; Hermite tables to (lb, la), sum of order >= lb + la.
void attraction_block(const HermiteTables& h, const HermiteIntegrals& r, int lb, int la, double* out);

// d/dB_k and d/dA_k blocks (three each) for the charges in r; tables to (lb + 1, la + 1),
// sum of order >= lb + la + 1.
void attraction_derivative_block(const HermiteTables& h, const HermiteIntegrals& r, const GaussianPair& g,
                                 int lb, int la, double* out_b, double* out_a);

// d/dC_k blocks (three) when r holds one charge C; sum of order >= lb + la + 1.
void attraction_centre_derivative_block(const HermiteTables& h, const HermiteIntegrals& r, int lb, int la,
                                        double* out_c);

void nuclear_attraction_shell_pair(const Shell& b, const Shell& a, std::span<const PointCharge> charges,
                                   double* out);

// Derivatives of the attraction to one charge with respect to B, A and the charge's centre
// (three blocks each; their sum vanishes).
void nuclear_attraction_derivative_shell_pair(const Shell& b, const Shell& a, const PointCharge& charge,
                                              double* out_b, double* out_a, double* out_c);

}  // namespace ostrel
