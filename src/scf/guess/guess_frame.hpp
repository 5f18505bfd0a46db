#pragma once

namespace ostrel {

// Orbital sets of the initial guess: N x N arrays stored column after column (one orbital
// per column) with N energies.

// A complete set of N vectors whose first M columns are the S-orthonormalised minimal-basis
// functions (the atomic orbitals) and whose other columns are basis functions projected
// against them; `energies` (N) gets the atomic-orbital energies and ascending values above
// them. Returns M. All nodes call it; `cnf`, `energies` and `s` (packed overlap of "Basis",
// filled here) are read and written on the master.
int minimal_frame(double* cnf, double* energies, double* s, int n);

// Packed overlap matrix of "Basis" (pair cut-off 1e-12), master only.
void basis_overlap(double* s);
// y = S x for the packed S of order n.
void packed_times(const double* s, int n, const double* x, double* y);

// Completes the first m S-orthonormal columns of c (n x n) with basis functions: each new
// column is the unit vector of the function most independent of the columns so far,
// projected against them and S-normalised. Master only.
void complete_columns(const double* s, double* c, int n, int m);

// new column i = old column order[i] (and the energies alike), i < n; an entry out of range
// or repeated stops the run.
void reorder_orbitals(const int* order, int n, double* energies, double* c);

// Columns p and q become cos t p - sin t q and sin t p + cos t q.
void rotate_columns(double* c, int n, int p, int q, double t);

// Pipek-Mezey localisation of the first `count` columns of c (length n) with sc = S c kept
// alongside; atom A owns the functions first[A] .. first[A+1]-1. Prints the largest angle of
// every sweep.
void localize_orbitals(double* c, double* sc, int n, int count, int natom, const int* first);

}  // namespace ostrel
