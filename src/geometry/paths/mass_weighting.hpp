#pragma once
// Mass-weighted cartesian coordinates of the reaction path: x sqrt(m), g / sqrt(m), H_ij /
// sqrt(m_i m_j).

namespace ostrel {

// sqrt of each coordinate's atomic mass (3 per atom) from the masses in amu.
void coordinate_mass_roots(int n_atoms, const double* mass, double* root);

// y_i = x_i root_i^power (power 1 or -1).
void mass_weight_vector(int m, const double* root, int power, const double* x, double* y);

// Packed Hessian h_ij root_i^power root_j^power in place (power -1 into mass-weighted form,
// 1 back).
void mass_weight_packed(int m, const double* root, int power, double* h);

// Wavenumber (cm^-1) of a mass-weighted curvature, and 'i' for a negative one.
double curvature_wavenumber(double c);
inline char imaginary_mark(double c) { return c < 0.0 ? 'i' : ' '; }

}  // namespace ostrel
