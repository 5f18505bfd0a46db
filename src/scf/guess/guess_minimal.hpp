#pragma once

namespace ostrel {

// The guesses built on the minimal basis of the atomic solutions.

// Minimal-basis guess from the atomic solutions: "Ca", "Cb", "ea", "eb", "scf_Gmax" = 1.
// All nodes call it (eigensolver and orthonormalisation are shared); the master holds the data.
void minimal_basis_guess();

// Orbitals of the group "ce" ("guess_Ca", "guess_Cb" over the minimal basis) projected onto
// the current basis: "Ca", "Cb", "ea", "eb". All nodes call it.
void projected_guess();

}  // namespace ostrel
