#pragma once
// Primitive blocks of the one-electron operators and their derivatives: overlap, kinetic
// energy, moments about an origin and the attraction to charges.
#include <span>

#include "integrals/obara_saika.hpp"
#include "integrals/shell.hpp"

namespace ostrel {

// Primitive spherical overlap block (2lb+1) x (2la+1) from tables built to at least (lb, la).
void overlap_block(const OverlapTables& t, int lb, int la, double* out);

// The three blocks d/dB_x, d/dB_y, d/dB_z (B the row centre), tables built to (lb + 1, la).
// Translational invariance gives d/dA = -d/dB.
void overlap_derivative_block(const OverlapTables& t, const GaussianPair& g, int lb, int la, double* out);

// Kinetic energy 1/2 <grad chi_B | grad chi_A>. Value blocks need tables to (lb + 1, la + 1),
// derivative blocks (d/dB_x, d/dB_y, d/dB_z; d/dA = -d/dB) to (lb + 2, la + 1).
void kinetic_block(const OverlapTables& t, const GaussianPair& g, int lb, int la, double* out);
void kinetic_derivative_block(const OverlapTables& t, const GaussianPair& g, int lb, int la, double* out);

// Moment operators about an origin O, in block order: x, y, z, xx, xy, xz, yy, yz, zz
// (coordinates measured from O).
inline constexpr int kMomentCount = 9;

// Nine moment blocks of one exponent pair; tables built to (lb + 2, la).
void moment_block(const OverlapTables& t, const GaussianPair& g, const double* origin, int lb, int la,
                  double* out);

// Derivatives of the nine moment blocks: out_b[(op * 3 + k) * n] = d/dB_k of operator op,
// out_a likewise for d/dA_k (the operator does not move, so d/dA != -d/dB); tables built
// to (lb + 3, la + 1).
void moment_derivative_block(const OverlapTables& t, const GaussianPair& g, const double* origin, int lb,
                             int la, double* out_b, double* out_a);

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

}  // namespace ostrel
