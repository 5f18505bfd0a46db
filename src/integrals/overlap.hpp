#pragma once
#include "integrals/shell.hpp"

namespace ostrel {

// Primitive spherical overlap block (2lb+1) x (2la+1) from tables built to at least (lb, la).
void overlap_block(const OverlapTables& t, int lb, int la, double* out);

// The three blocks d/dB_x, d/dB_y, d/dB_z (B the row centre), tables built to (lb + 1, la).
// Translational invariance gives d/dA = -d/dB.
void overlap_derivative_block(const OverlapTables& t, const GaussianPair& g, int lb, int la, double* out);

// Contracted blocks of two shells (rows b, columns a); the derivative writes three blocks.
void overlap_shell_pair(const Shell& b, const Shell& a, double* out);
void overlap_derivative_shell_pair(const Shell& b, const Shell& a, double* out);

}  // namespace ostrel
