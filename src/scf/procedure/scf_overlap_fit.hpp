#pragma once

namespace ostrel {

// Pieces of the overlap-metric fit with its charge constraint that the fitted Coulomb
// driver does not offer; every node calls them together.

// "invA" = inverse of the overlap metric of "Basis2" and "p" = invA s (timer "Inversion of
// S-Matrix"); "s" must hold the fitting-function charges.
void scf_overlap_metric_inverse();

// M_d += sum_k (mu nu k) c_d,k + u_d S(mu, nu) for the nd fit vectors `coefficients` and
// multipliers u (on the master) into the packed records `matrices` (timer "Overlap-type
// Integrals"), added to their contents.
void scf_overlap_assembly(double epsilon, int nd, const char* const* coefficients, const double* u,
                          const char* const* matrices);

}  // namespace ostrel
