#pragma once
// The pieces of one internal-coordinate optimizer step at a computed point.
#include "geometry/internal_frame.hpp"
#include "geometry/optimize_options.hpp"
#include "model/molecule_record.hpp"

namespace ostrel {

struct StepContext {
  OptimizeOptions o;
  int step;
  int n, m, count, nvar, nfree, nfix;
  InternalCoordinate* set;
  const int* fix_index;
  const double* w;
  const double* v;       // independent variables, 3N x nvar, constraint columns last
  const double* target;  // start values of the fixed coordinates
};

// The packed cartesian matrix h on the free variables, diagonalised: curvatures ascending
// and the modes in cartesian form (nfree vectors of 3N).
void free_modes(const StepContext& c, const double* h, double* modes, double* curv);

// Largest internal gradient component within the free variables: W B V_f V_f^T g.
double free_gradient_max(const StepContext& c, const InternalFrame& f, const double* g);

// Hessian updates over the stored points first..step (BFGS, or PSB for saddles; none with
// the exact Hessian), the model's curvature taken as h less the gradient term of gq_now (the
// internal gradient at the current point); returns the trust-test ratio of the last pair.
double update_history(const StepContext& c, const InternalFrame& now, int first, const double* gq_now,
                      double* h);

// Trust radius after a step with energy change de and test ratio `ratio`.
double new_trust(const StepContext& c, double de, double ratio, double gmax_x);

// Saddle searches: the mode most like "Opt.Tx" moves to position 0 and becomes "Opt.Tx".
void follow_mode(const StepContext& c, const InternalFrame& f, double* modes, double* curv, double* g);

// Steps 4 to 18 at a computed point: Hessian update, trust radius, step, constraints,
// back-transformation, convergence test, next geometry and printing.
void take_internal_step(StepContext& c, const InternalFrame& f, Molecule& mol, double energy);

}  // namespace ostrel
