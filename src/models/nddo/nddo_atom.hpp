#pragma once
// Per-atom quantities of the plain NDDO variant, derived once from the element record.
// Energies in eV and lengths in bohr inside the model; the published parameters use them.
#include "models/nddo/nddo_parameters.hpp"

namespace ostrel {

// CODATA 2018, the set the reference semi-empirical programs use by default.
inline constexpr double kNddoEv = 27.211386245988;            // eV per hartree
inline constexpr double kNddoKcal = 23.060547830618307;       // kcal/mol per eV
inline constexpr double kNddoBohr = 0.529177210903;           // angstrom per bohr
inline constexpr double kNddoDebye = 2.541746473;             // debye per e bohr

struct NddoAtom {
  int z;
  int nbf;      // 1 (s) or 4 (s, px, py, pz)
  int n;        // principal quantum number of the valence shell
  double core;  // core charge
  double u[2], beta[2], zeta[2];
  double gss, gsp, gpp, gp2, hsp;
  double d1, d2;                // dipole and quadrupole charge separations
  double rho0, rho1, rho2;      // additive terms of monopole, dipole, quadrupole
  double alpha;                 // core-core exponent, 1/angstrom
  int gaussians;
  double gk[6], gl[6], gm[6];   // core-core Gaussians: K exp(-L (R - M)^2), eV, 1/A^2, A
};

// Derives the atom from the element record; stops when the element is not defined.
NddoAtom nddo_atom(const NddoElement& e, int z);

// Electronic energy (eV) of the free atom in its ground configuration s^ns p^np, averaged
// over the p arrangements as the published atomic energies are; the atoms' constants E0
// of the parameter files combine it with the atomic heats of formation.
double nddo_isolated_atom_energy(const NddoAtom& a, int ns, int np);

// One-centre two-electron integrals (ij|kl) of the atom, indices over its nbf functions.
double nddo_one_centre(const NddoAtom& a, int i, int j, int k, int l);

}  // namespace ostrel
