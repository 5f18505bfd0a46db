#pragma once

namespace ostrel {

// Highest atomic number the element tables know.
inline constexpr int MAX_ELEMENT = 105;

// Chemical symbol of atomic number z ("?" for 0 and anything outside 1..105).
const char* element_symbol(int z);

// Radius (bohr) used by the bond criterion of the distance listing; 0 outside 1..105.
double element_radius(int z);

}  // namespace ostrel
