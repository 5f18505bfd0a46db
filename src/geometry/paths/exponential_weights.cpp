#include "geometry/paths/exponential_weights.hpp"

#include <cmath>

namespace ostrel {
namespace {

// phi_1..phi_3 of w: phi_k(w) = sum_j w^j / (j + k)!. The series near zero, where the closed
// forms cancel; the recurrence phi_{k+1} = (phi_k - 1/k!) / w elsewhere.
void phi123(double w, double phi[3]) {
  if (std::fabs(w) < 0.5) {
    for (int k = 1; k <= 3; ++k) {
      double term = 1.0, sum = 0.0;
      for (int j = 2; j <= k; ++j) term /= j;
      for (int j = 0; j < 24; ++j) {
        sum += term;
        term *= w / (j + k + 1);
      }
      phi[k - 1] = sum;
    }
    return;
  }
  phi[0] = std::expm1(w) / w;
  phi[1] = (phi[0] - 1.0) / w;
  phi[2] = (phi[1] - 0.5) / w;
}

}  // namespace

ExponentialWeights exponential_weights(double c, double tau) {
  double phi[3], half[3];
  phi123(c * tau, phi);
  phi123(0.5 * c * tau, half);
  ExponentialWeights w;
  w.e = std::exp(c * tau);
  w.e2 = std::exp(0.5 * c * tau);
  w.q = 0.5 * tau * half[0];
  w.f1 = tau * (phi[0] - 3.0 * phi[1] + 4.0 * phi[2]);
  w.f2 = tau * (phi[1] - 2.0 * phi[2]);
  w.f3 = tau * (4.0 * phi[2] - phi[1]);
  return w;
}

}  // namespace ostrel
