#pragma once
// Raman and Raman optical activity invariants of the property derivatives along one mode.

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

}  // namespace ostrel
