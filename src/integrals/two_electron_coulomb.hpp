#pragma once
#include "integrals/one_electron_matrices.hpp"

namespace ostrel {

// The Coulomb matrix from four-centre integrals, without fitting. The bra atoms
// A = first_atom, first_atom + stride, ... (with every B <= A) are this call's share; the
// ket runs over the whole density. Exponent pairs with a b |A - B|^2 / (a + b) above
// ln(1/epsilon) are skipped on both sides.

// J(mu, nu) += sum_{lambda sigma} (mu nu|lambda sigma) P(lambda, sigma), packed.
void coulomb_matrix_exact(const AtomSet& orb, double epsilon, const double* density, int first_atom, int stride,
                          double* j);

// grad (3 per atom) += d/dR of 1/2 sum P(mu, nu) P(lambda, sigma) (mu nu|lambda sigma).
void coulomb_gradient_exact(const AtomSet& orb, double epsilon, const double* density, int first_atom, int stride,
                            double* grad);

}  // namespace ostrel
