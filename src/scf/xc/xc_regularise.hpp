#pragma once

namespace ostrel {

// Value of every regularised spin density at zero or negative density.
inline constexpr double kDensityFloor = 1e-16;

// The density regularisation G with scale a: g[0] = G(rho) and g[m] its m-th derivative,
// m = 1..4 (the fourth is needed because the gradient is scaled by G', so third derivatives
// of the energy density reach G''''). G = floor + a ln(e^y - y), y = u / a, where u is the
// same form at scale a / 1000: rho itself above 3.6e-2 a, rho^2 / (2e-3 a) near zero. So
// G = rho beyond 36 a (where it steps by the floor, 1e-16), floor + rho^2 / 2a over most of
// the range below, and floor + O(rho^4) at the very bottom; G' and the higher derivatives
// are continuous everywhere, and G = floor with zero derivatives for rho <= 0.
void density_regularise(double rho, double a, double g[5]);

}  // namespace ostrel
