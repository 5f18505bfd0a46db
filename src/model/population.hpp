#pragma once

namespace ostrel {

// Overlap populations and bond orders of the SCF orbitals ("Ca", "Cb", "Na", "Nb",
// "restrict", "four", `Molecule`, `Basis`). Every node calls it; the master prints.
void print_populations();

// Charges, spin populations and bond orders from occupied orbitals. s: packed overlap
// (n functions); ca/cb: n x na and n x nb, orbital after orbital; atom_of[mu]: atom of each
// function; nuclear: charge of each atom. bond receives the packed triangle over atoms.
void population_analysis(int n, const double* s, const double* ca, int na, const double* cb,
                         int nb, const int* atom_of, int n_atoms, const double* nuclear,
                         double* charge, double* spin, double* bond);

// The printed table: charges and spin populations, then the bond orders above 0.05.
void print_population_table(const int* z, int n_atoms, const double* charge, const double* spin,
                            const double* bond);

// Alpha, beta and atomic charges of the s-type fitting functions of `Basis2` ("da", "db",
// "atomic_d"), per function and per atom. Master only.
void print_density_expansion();

// Atomic charges and spin populations of the fitted density ("da", "db"): each atom keeps
// the charge of its own fitting functions. Master only.
void print_fitted_charges();

}  // namespace ostrel
