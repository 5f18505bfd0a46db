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

// Starting orbitals: `start` (nbf^2, column-major, nbf the molecule's function count) when
// not null, else the eigenvectors of the guess matrix, reordered by `order` when not null
// (orbital k of the start is orbital order[k], nbf 0-based entries); the final orbitals go to
// `final` when not null. gradient (3N, hartree/bohr) is filled when not null; field (3, au)
// may be null.
NddoResult nddo_model_energy(const Molecule& mol, const NddoElement* data, const double* field,
                             const double* start, const int* order, double* final, double* gradient,
                             int print);

// Basis functions of the molecule (0 for elements without parameters).
int nddo_function_count(const Molecule& mol, const NddoElement* data);

}  // namespace ostrel
