#pragma once
#include "integrals/coulomb_hermite.hpp"

namespace ostrel {

// Integral blocks between whole atoms, the exponent-pair way of the one-electron pair
// kernels: each pair of distinct exponents is integrated once for every L pair it carries
// and added to every contracted shell with non-zero coefficients on both.

// Largest L of an atom's shells (-1 for an atom without functions).
int atom_lmax(const AtomFunctions& f);

// (k | l) for the functions k of atom `row` and l of atom `col`: out[k * col.nfunc + l],
// added. Coulomb or overlap metric of a fitting basis.
void two_centre_block(Interaction kind, const AtomFunctions& row, const AtomFunctions& col, double* out);

// (k | mu nu) for the fitting functions k of atom c and the products of functions mu of
// atom b and nu of atom a: out[(k * b.nfunc + mu) * a.nfunc + nu], added. Exponent pairs of
// (b, a) with a b |A - B|^2 / (a + b) above x_max are skipped.
void three_centre_block(Interaction kind, const AtomFunctions& b, const AtomFunctions& a, const AtomFunctions& c,
                        double x_max, double* out);

}  // namespace ostrel
