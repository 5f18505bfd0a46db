#pragma once

namespace ostrel {

// Floor of every regularised spin density.
inline constexpr double kDensityFloor = 1e-16;

// The density regularisation G with scale a: g[0] = G(rho) and g[m] its m-th derivative,
// m = 1..4 (the fourth is needed because the gradient is scaled by G', so third derivatives
// of the energy density reach G''''). Branches, with x = rho / a:
//   x <= 0.001: a x^2 / 2;  x <= 36: a ln(e^x - x);  beyond: rho.
// Results below 1e-16 (and any rho below 1e-16) are held at 1e-16 with zero derivatives,
// so that a regularised density never falls below the floor.
void density_regularise(double rho, double a, double g[5]);

}  // namespace ostrel
