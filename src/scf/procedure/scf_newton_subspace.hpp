#pragma once
#include "runtime/pool.hpp"

namespace ostrel {

// The reduced Newton problem of the SCF step: Hessian a (packed) and gradient gamma over
// the subspace directions, and the solution coefficients c.
struct NewtonSubspace {
  explicit NewtonSubspace(int capacity) : a(capacity * (capacity + 1) / 2), gamma(capacity), c(capacity) {}
  PoolArray<double> a;
  PoolArray<double> gamma;
  PoolArray<double> c;
  double max_step = 0.5;  // trust radius: the longest step (2-norm)
};

struct NewtonReport {
  double lowest_raw;  // lowest eigenvalue of the reduced Hessian as it came
  double mu;          // level shift
};

// Solves the first n directions: eigenvalues below -4 are taken by their absolute value,
// and the step is level-shifted, when needed, to a length of at most max_step.
NewtonReport newton_subspace_solve(NewtonSubspace& sub, int n);

// Change of the quadratic model gamma.c + c.a.c / 2 along the solution of the first n.
double newton_model_change(const NewtonSubspace& sub, int n);

}  // namespace ostrel
