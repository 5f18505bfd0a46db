#pragma once
// Vibrational levels of one mode on its scanned potential: the curve is splined onto a grid
// and the Hamiltonian is diagonalised in the lowest harmonic-oscillator functions.

namespace ostrel {

// Second derivatives at the n knots (x strictly increasing, n >= 2) of the not-a-knot cubic
// spline: the third derivative is continuous at the second and the last but one knot, so
// any cubic through the points, a harmonic potential among them, is reproduced exactly (zero
// end curvatures would bend a scanned parabola towards its ends). Three points give their
// parabola, two their line. `m` and `work` have n elements.
void spline_curvatures(int n, const double* x, const double* y, double* m, double* work);

// The spline at t; beyond the end knots it continues along the end tangents, so an
// extrapolated potential never turns back.
double spline_value(int n, const double* x, const double* y, const double* m, double t);

inline constexpr int kOscillatorFunctions = 8;
inline constexpr int kPotentialGridPoints = 51;
inline constexpr int kPrintedLevels = 4;

// `n_points` scan points (xs increasing, vs the energies above the reference) of a mode with
// harmonic frequency omega (hartree): prints the splined potential with its plot, the
// Hamiltonian, its eigenpairs and the lowest levels against the harmonic ones; returns the
// kOscillatorFunctions eigenvalues (hartree, ascending) in `levels`.
void anharmonic_levels(double omega, int n_points, const double* xs, const double* vs, double* levels);

}  // namespace ostrel
