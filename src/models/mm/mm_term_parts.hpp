#pragma once
// The pieces mm_terms puts together; each adds its energy, gradient and Hessian share.
#include "models/mm/mm_parameters.hpp"

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

double mm_stretches(const MmTopology& t, const MmParameters& p, MmSums& s);
double mm_bends(const MmTopology& t, const MmParameters& p, MmSums& s);
double mm_torsions(const MmTopology& t, const MmParameters& p, MmSums& s);
double mm_nonbonded(const MmTopology& t, const MmParameters& p, MmSums& s);

}  // namespace ostrel
