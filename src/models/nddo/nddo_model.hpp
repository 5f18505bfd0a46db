#pragma once
// Energy, dipole and gradient of the NDDO model for one molecule.
#include "model/molecule_record.hpp"
#include "models/nddo/nddo_parameters.hpp"

namespace ostrel {

struct NddoResult {
  double energy;      // hartree: electronic plus core-core plus the atoms' constants E0
  double total;       // hartree: electronic plus core-core
  double heat;        // heat of formation, kcal/mol (the energy in other units)
  double electronic;  // eV
  double core;        // core-core repulsion, eV
  double dipole[3];   // e bohr, about the centre of mass
  double gmax;        // final orbital gradient
  int iterations;
  bool converged;
};

// Starting orbitals: `guess` (nbf^2, column-major) when not null, else the eigenvectors of
// the guess matrix. gradient (3N, hartree/bohr) is filled when not null; field (3, au)
// may be null.
NddoResult nddo_model_energy(const Molecule& mol, const NddoElement* data, const double* field,
                             const double* guess, int guess_n, double* gradient, int print);

// Energy driver entry: reads "Molecule", "nddo_data", "field" and the guess records, writes
// "Energy", "Dipole" and, at derivative level 1 ("Derivative"), "Gradient". The master computes.
void nddo_energy();

}  // namespace ostrel
