#pragma once
// A saddle search or a reaction path from a saddle point starts from the Hessian. When the
// run has none (no "Hessian" given with the input), it is computed here with a level-2
// request to the energy driver, which the Kohn-Sham theory serves by differences of analytic
// gradients, so that one run does what the input asks.
#include "geometry/paths/path_records.hpp"
#include "model/molecule_record.hpp"

namespace ostrel {

// Every node: when the third "haveE" flag is 0, prints one line, evaluates "Molecule" at
// level 2 on the starting grid and marks energy, gradient and Hessian as present; returns 1
// then (the "Energy", "Gradient" and "Hessian" of the current structure are in the store),
// else 0.
int provide_start_hessian(Evaluator evaluate);

// Master: the records of a saddle search from x (energy e, gradient g) that follows
// `direction` (3N, normalised here): the model Hessian with its curvature along the direction
// set to `curvature` (per unit cartesian length; -0.05 when not negative) as "Hessian", the
// point as "Molecule", "Energy", "Gradient", and the optimizer told to climb along mode 0.
// run_optimization then searches the saddle point without a Hessian of the theory.
void start_saddle_search_along(Molecule& mol, const double* x, const double* g, double e, double* direction,
                               double curvature);

}  // namespace ostrel
