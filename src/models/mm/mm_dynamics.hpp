#pragma once
#include "models/mm/mm_terms.hpp"

namespace ostrel {

// One velocity-Verlet step of unit masses: x += dt v - dt^2/2 g, v -= dt/2 g, the new
// energy and gradient g at x, v -= dt/2 g. Returns the new energy. s.xyz must point at x.
double mm_verlet_step(const MmStructure& s, const MmParameters& p, double* x, double* v, double* g, double dt);

// The options of the group "dynamic" with their defaults completed for n atoms.
struct MmDynamicsOptions {
  double t[2];   // durations of the two periods
  double e[3];   // total-energy programme (whole molecule after completion)
  double dt;
  double volume;
  double radius;
  int nt;        // print interval (steps)
};
MmDynamicsOptions mm_dynamics_defaults();
void mm_complete_dynamics_options(MmDynamicsOptions& o, int n_atoms);

// The DYNAMICS task on the force field (every node calls it).
void mm_dynamics();

// Target total energy at time t above the lowest potential energy seen.
double mm_target_energy(const MmDynamicsOptions& o, double u_min, double t);

}  // namespace ostrel
