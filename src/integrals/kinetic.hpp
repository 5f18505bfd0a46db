#pragma once
#include "integrals/shell.hpp"

namespace ostrel {

// Kinetic energy 1/2 <grad chi_B | grad chi_A>. Value blocks need tables to (lb + 1, la + 1),
// derivative blocks (d/dB_x, d/dB_y, d/dB_z; d/dA = -d/dB) to (lb + 2, la + 1).
void kinetic_block(const OverlapTables& t, const GaussianPair& g, int lb, int la, double* out);
void kinetic_derivative_block(const OverlapTables& t, const GaussianPair& g, int lb, int la, double* out);

void kinetic_shell_pair(const Shell& b, const Shell& a, double* out);
void kinetic_derivative_shell_pair(const Shell& b, const Shell& a, double* out);

}  // namespace ostrel
