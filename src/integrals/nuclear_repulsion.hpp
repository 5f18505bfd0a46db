#pragma once

namespace ostrel {

// Sum over atom pairs of Z_i Z_j / |R_i - R_j| (xyz: 3 per atom, bohr). When given, the
// gradient (3 per atom) and the Hessian (packed lower triangle of order 3 natom) are
// written, not added. Pairs with a zero charge product are skipped, so ghost centres may
// sit anywhere; two charged atoms on one point are a fatal error.
double nuclear_repulsion(int natom, const double* xyz, const double* charge, double* gradient,
                         double* hessian);

// D = sum Z_i R_i.
void nuclear_dipole(int natom, const double* xyz, const double* charge, double* dipole);

}  // namespace ostrel
