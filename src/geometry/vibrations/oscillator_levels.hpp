#pragma once
// Vibrational levels of one mode on its scanned potential: the curve is splined onto a grid
// and the Hamiltonian is diagonalised in the lowest harmonic-oscillator functions.

namespace ostrel {

inline constexpr int kOscillatorFunctions = 8;
inline constexpr int kPotentialGridPoints = 51;
inline constexpr int kPrintedLevels = 4;

// `n_points` scan points (xs increasing, vs the energies above the reference) of a mode with
// harmonic frequency omega (hartree): prints the splined potential with its plot, the
// Hamiltonian, its eigenpairs and the lowest levels against the harmonic ones; returns the
// kOscillatorFunctions eigenvalues (hartree, ascending) in `levels`.
void anharmonic_levels(double omega, int n_points, const double* xs, const double* vs, double* levels);

}  // namespace ostrel
