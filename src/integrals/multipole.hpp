#pragma once
#include "integrals/shell.hpp"

namespace ostrel {

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

void moment_shell_pair(const Shell& b, const Shell& a, const double* origin, double* out);
void moment_derivative_shell_pair(const Shell& b, const Shell& a, const double* origin, double* out_b,
                                  double* out_a);

}  // namespace ostrel
