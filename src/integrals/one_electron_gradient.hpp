#pragma once
#include <span>

#include "integrals/one_electron_matrices.hpp"

namespace ostrel {

// Contractions of one-electron integral derivatives with symmetric packed matrices, added
// into grad (3 per atom). Atom pairs B <= A with A = first_atom, first_atom + atom_stride, ...
// so nodes can share the work and sum the vectors.

// sum_{mu nu} W(mu, nu) dS(mu, nu)/dR, W the energy-weighted density.
void overlap_gradient(const AtomSet& set, double epsilon, const double* w, int first_atom, int atom_stride,
                      double* grad);

// sum D dT/dR.
void kinetic_gradient(const AtomSet& set, double epsilon, const double* d, int first_atom, int atom_stride,
                      double* grad);

// sum D dV/dR for the attraction to `nuclei` (nucleus i belongs to atom i; its position
// moves with the atom), plus `repulsion` (the nuclear repulsion gradient; may be null,
// added once on the share with first_atom 0).
void attraction_gradient(const AtomSet& set, std::span<const PointCharge> nuclei, double epsilon,
                         const double* d, const double* repulsion, int first_atom, int atom_stride,
                         double* grad);

// sum D d<mu|r_k - O_k|nu>/dR per atom: out[(atom * 3 + coordinate) * 3 + k], added.
void dipole_derivatives(const AtomSet& set, const double* origin, double epsilon, const double* d,
                        int first_atom, int atom_stride, double* out);

}  // namespace ostrel
