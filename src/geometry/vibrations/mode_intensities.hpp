#pragma once
// Infrared, Raman and Raman optical activity of each normal mode from the cartesian
// property derivatives, with the printed per-mode blocks and the summary table.

namespace ostrel {

// From the packed polarizability derivative (xx, xy, yy, xz, yz, zz): the scattering
// activity 45 a^2 + 7 gamma^2 and the depolarisation ratio (0 when undefined).
void raman_invariants(const double* alpha, double* activity, double* depolarization);

// From the packed polarizability derivative, the electric-dipole/magnetic-dipole tensor
// G' (9, electric index fastest), the electric-dipole/electric-quadrupole tensor A (for each
// packed quadrupole component the three dipole directions) and the light frequency omega:
// the circular intensity differences at 90 and 180 degrees (0 for a mode without
// anisotropy). Prints the three invariants beta(alpha)^2, beta(G')^2, beta(A)^2.
void roa_invariants(const double* alpha, const double* g, const double* a, double omega,
                    double* roa90, double* roa180);

// Cartesian derivatives as the store holds them: 3 dipole components per coordinate, and
// the three blocks (6, 9 and 18 values per coordinate) of the polarizability derivatives.
struct PropertyDerivatives {
  const double* dipole;
  const double* polariz;
  bool raman;    // some polarizability derivative is nonzero
  bool roa;      // some of the 27 optical-activity derivatives is nonzero
  double omega;  // frequency of the incident light (hartree), 0 none
};

// One row of the summary: signed frequency (cm^-1, negative imaginary), reduced mass (amu),
// IR intensity (km/mol), Raman activity (A^4/amu), depolarisation ratio, optical activities
// at 90 and 180 degrees (units of 10^-4).
struct VibrationalMode {
  double frequency, reduced_mass, ir, raman, depolarization, roa90, roa180;
};

// Flags of the derivatives of n3 coordinates: Raman and ROA data present.
void detect_derivative_data(int n3, PropertyDerivatives& p);

// For each of the n_vib cartesian displacements d (vector-major, length n3) with its signed
// frequency (hartree): the derivatives along the mode printed as in the report, and the
// summary values in `modes` (frequency and reduced mass included).
void mode_intensities(int n3, int n_vib, const double* d, const double* frequencies,
                      const PropertyDerivatives& p, VibrationalMode* modes);

void print_mode_summary(const VibrationalMode* modes, int n_vib);

}  // namespace ostrel
