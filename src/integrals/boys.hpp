#pragma once

namespace ostrel {

inline constexpr int kBoysOrderLimit = 40;

// F_k(T) = integral_0^1 t^(2k) exp(-T t^2) dt for k = 0..m (m <= kBoysOrderLimit), written
// to f[0..m]. Tabulated polynomials below the asymptotic range, closed form above it.
void boys_function(int m, double t, double* f);

// The same values multiplied by scale * s^k, the form the Hermite Coulomb recursion wants.
void boys_function_scaled(int m, double t, double scale, double s, double* f);

}  // namespace ostrel
