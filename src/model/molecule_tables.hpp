#pragma once

namespace ostrel {

// Default atomic mass (amu) of the most abundant isotope; 0 outside 1..105.
double default_mass(int z);

// Mass number used by the finite-nucleus model; 0 outside 0..118.
int mass_number(int z);

// Radius (bohr) of the bond criterion of "connect"; defined for 0..105.
double connect_radius(int z);

// Largest atomic number the molecule reader accepts.
inline constexpr int MAX_ATOMIC_NUMBER = 105;

}  // namespace ostrel
