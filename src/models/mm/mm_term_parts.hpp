#pragma once
// The input and the sums of the pieces mm_terms puts together (mm_bonded, mm_nonbonded);
// each piece adds its energy, gradient and Hessian share.

namespace ostrel {

// What the pieces share: coordinates, type index and charge per atom, and the symmetric
// neighbour lists (MAX_NEIGHBOURS per atom, ended by -1).
struct MmTopology {
  int n;
  const double* xyz;
  const int* type;
  const double* charge;
  const int* neighbours;
};

struct MmSums {
  double* gradient;
  double* hessian;  // null: no second derivatives
};

}  // namespace ostrel
