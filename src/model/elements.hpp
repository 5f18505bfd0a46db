#pragma once
#include <string>
#include <vector>

namespace ostrel {

// Highest atomic number the element tables know, and the largest one the molecule and
// core-potential readers accept.
inline constexpr int MAX_ELEMENT = 105;

// Chemical symbol of atomic number z ("?" for 0 and anything outside 1..105).
const char* element_symbol(int z);

// Radius (bohr) used by the bond criterion of the distance listing; 0 outside 1..105.
double element_radius(int z);

// Radius (bohr) of the bond criterion of "connect"; defined for 0..105.
double connect_radius(int z);

// Default atomic mass (amu) of the most abundant isotope; 0 outside 1..105.
double default_mass(int z);

// Mass number used by the finite-nucleus model; 0 outside 0..118.
int mass_number(int z);

// "C1", "C2", "H1", ...: element symbol and running count of the element, atom by atom.
std::vector<std::string> atom_labels(const int* z, int atoms);

// Least-squares expansions of Slater functions of exponent 1 in K = 2, 3, 4 Gaussians of
// the same L. Row n(n-1)/2 + L (n = 1..7, L < n) holds K pairs (alpha, d); d includes the
// normalisation of the primitive r^L Y exp(-alpha r^2) (Y of unit mean square), so that
// sum_i d_i r^L Y exp(-alpha_i r^2) is normalised.
extern const double sto_kg_2[28][4];
extern const double sto_kg_3[28][6];
extern const double sto_kg_4[28][8];

// The row for (k, n, l), or null when there is none.
const double* sto_kg_row(int k, int n, int l);

}  // namespace ostrel
