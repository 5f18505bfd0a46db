#pragma once
// Weights of the fourth-order exponential time-differencing Runge-Kutta step (Cox and
// Matthews, J. Comput. Phys. 176, 430 (2002)) for one decoupled mode dz/dt = c z + n(z, t):
// the linear part is integrated exactly, so a stiff mode (c tau << -1) neither limits the
// step nor amplifies the errors of the stages.
namespace ostrel {

struct ExponentialWeights {
  double e, e2;        // exp(c tau), exp(c tau / 2)
  double q;            // (exp(c tau / 2) - 1) / c, the half-step stage weight
  double f1, f2, f3;   // weights of n at the first, the two middle and the last stage
};

ExponentialWeights exponential_weights(double c, double tau);

}  // namespace ostrel
