#pragma once

namespace ostrel {

// Prints the Molden section ("mos>" lines): atoms from the molecule record, the basis
// blocks with primitive coefficients scaled for normalised primitives, and the orbitals.
// `alpha`/`beta` name coefficient arrays (orbital after orbital, one coefficient per basis
// function), `alpha_energies`/`beta_energies` the orbital energies; beta is unused when
// `restricted`. With `occupied_only` only the n_alpha (n_beta) occupied orbitals are
// written. Master only.
void write_molden(const char* molecule, const char* basis, const char* alpha, const char* beta,
                  const char* alpha_energies, const char* beta_energies, int n_alpha,
                  int n_beta, int restricted, int occupied_only);

}  // namespace ostrel
