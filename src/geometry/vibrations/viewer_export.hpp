#pragma once
// Frequencies and normal modes for an external viewer: a Molden "[FREQ]" section in lines
// tagged "freq>".

namespace ostrel {

// `modes`: n_vib cartesian displacement vectors (vector-major, 3N each; written normalised
// to unit length); `frequencies` signed (hartree, negative imaginary); coordinates in bohr.
void write_frequencies_for_viewer(const int* atomic_numbers, const double* xyz, const double* modes,
                                  const double* frequencies, int n_atoms, int n_vib);

}  // namespace ostrel
