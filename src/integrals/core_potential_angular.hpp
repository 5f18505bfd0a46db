#pragma once

namespace ostrel {

// Angular pieces of the core-potential integrals. Harmonics Y' are the unit-mean-square
// real harmonics of solid_harmonics.hpp restricted to the unit sphere.

// Largest order lambda of the plane-wave expansion (channel L + powers of both shells).
inline constexpr int kCoreAngularMaxOrder = 24;

// exp(-z) i_k(z) for k = 0..n, i_k the modified spherical Bessel function of the first kind.
void scaled_bessel_i(int n, double z, double* out);

// Mean over the unit sphere of Y'_{lambda,s}(u) u_x^a u_y^b u_z^c (s the component index).
double harmonic_monomial_mean(int lambda, int s, int a, int b, int c);

// Value of Y'_{lambda,s} at the unit vector u.
double harmonic_value(int lambda, int s, const double* u);

}  // namespace ostrel
