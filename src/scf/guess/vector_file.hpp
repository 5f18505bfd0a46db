#pragma once

namespace ostrel {

// Orbital vectors on disk. read_vectors fills "ea", "Ca", "eb", "Cb" from the binary file
// (reordered by "guess_na"/"guess_nb") and returns 0, or 1 on any failure. save_vectors
// writes "Ca", "Cb", "ea", "eb" to `file` (nothing when empty; the text dump when "."),
// master only.
int read_vectors(const char* file, int n_basis);
void save_vectors(const char* file, int n_basis);

// The "$ce" form of one spin ("a" or "b") of n orbitals, each line led by `prefix`.
void print_vectors_ce(const char* prefix, const char* spin, const double* energies, const double* c, int n);

}  // namespace ostrel
