#pragma once
#include <span>

#include "integrals/core_potential.hpp"

namespace ostrel {

// All contracted shells of a basis in function order.
struct ShellList {
  int nshell;
  const Shell* shells;
  const int* first_function;  // per shell
  const int* atom;            // per shell
  int nbf;
};

// Potentials with the atom each one sits on.
struct PotentialList {
  int count;
  const CorePotential* potentials;
  const int* atom;
};

// Whether a shell can reach a potential: its smallest exponent's Gaussian, 1e-15 at the
// shell's reach, must overlap the range where the potential's terms exceed 1e-15.
bool core_potential_reaches(const Shell& s, const CorePotential& u);

// Adds the core-potential matrix (packed lower triangle) of all potentials, over the radial
// points first_point, first_point + point_stride, ... (the node share).
void add_core_potential_matrix(const ShellList& basis, const PotentialList& ecp, int first_point,
                               int point_stride, double* packed);

// Adds sum_{mu nu} D(mu, nu) dU(mu, nu)/dR to grad (3 per atom), D packed symmetric.
void core_potential_gradient(const ShellList& basis, const PotentialList& ecp, const double* d,
                             int first_point, int point_stride, double* grad);

}  // namespace ostrel
