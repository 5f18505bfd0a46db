#pragma once
// Orbital optimiser of the plain NDDO variant: direct minimisation over rotations between
// the doubly occupied, singly occupied and empty orbitals.
#include "models/nddo/nddo_system.hpp"

namespace ostrel {

struct NddoScfResult {
  double electronic;  // eV
  double gmax;        // largest orbital gradient at the end (hartree)
  int iterations;
  bool converged;
};

// c: nbf^2 starting orbitals, column-major (orbital k at k * nbf), replaced by the final
// canonical orbitals; e: nbf orbital energies (eV). pa, pb, fa, fb receive the final spin
// densities and Fock matrices. nd doubly and ns singly occupied orbitals.
NddoScfResult nddo_scf(const NddoSystem& s, int nd, int ns, double* c, double* e, double* pa,
                       double* pb, double* fa, double* fb, int print);

// Eigenpairs of the symmetric n x n matrix m (square, row-major; kept): vectors column-major
// as orbitals, values ascending.
void nddo_eigen(const double* m, int n, double* vectors, double* values);

}  // namespace ostrel
