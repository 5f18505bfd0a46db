#pragma once
// Energy, dipole and derivatives of the force field for one structure.
#include "models/mm/mm_parameters.hpp"

namespace ostrel {

// Electrostatic potential of the atomic charges, sum q_i / |p - r_i|, at `count` points.
struct MmProbes {
  int count;
  const double* points;  // 3 count, bohr
  double* potentials;    // count
};

struct MmStructure {
  int n_atoms;
  const double* xyz;        // 3N, bohr
  const char* type_names;   // N slots of MM_NAME bytes
  const int* bonds;         // N x MAX_NEIGHBOURS neighbours, each list ended by -1
};

// Returns the energy; fills dipole (3) and gradient (3N), and hessian (packed lower triangle
// of 3N x 3N) when it is not null. The charges of the bond increments count as constants.
double mm_terms(const MmStructure& s, const MmParameters& p, double* dipole, double* gradient, double* hessian,
                const MmProbes* probes = nullptr);

}  // namespace ostrel
