#include "model/elements.hpp"

#include <cctype>

#include "model/units.hpp"

namespace ostrel {

namespace {

constexpr const char* kSymbols[MAX_ELEMENT + 1] = {
    "?",  "H",  "He", "Li", "Be", "B",  "C",  "N",  "O",  "F",  "Ne", "Na", "Mg", "Al", "Si",
    "P",  "S",  "Cl", "Ar", "K",  "Ca", "Sc", "Ti", "V",  "Cr", "Mn", "Fe", "Co", "Ni", "Cu",
    "Zn", "Ga", "Ge", "As", "Se", "Br", "Kr", "Rb", "Sr", "Y",  "Zr", "Nb", "Mo", "Tc", "Ru",
    "Rh", "Pd", "Ag", "Cd", "In", "Sn", "Sb", "Te", "I",  "Xe", "Cs", "Ba", "La", "Ce", "Pr",
    "Nd", "Pm", "Sm", "Eu", "Gd", "Tb", "Dy", "Ho", "Er", "Tm", "Yb", "Lu", "Hf", "Ta", "W",
    "Re", "Os", "Ir", "Pt", "Au", "Hg", "Tl", "Pb", "Bi", "Po", "At", "Rn", "Fr", "Ra", "Ac",
    "Th", "Pa", "U",  "Np", "Pu", "Am", "Cm", "Bk", "Cf", "Es", "Fm", "Md", "No", "Lr", "Ku",
    "Ns"};

// Bond-criterion radii in angstrom; converted to bohr on use.
constexpr double kRadiusAngstrom[MAX_ELEMENT + 1] = {
    0.00, 0.35, 0.20, 1.45, 1.05, 0.85, 0.70, 0.65, 0.60, 0.50, 0.40,  // 0-10
    1.80, 1.50, 1.25, 1.10, 1.00, 1.00, 1.00, 0.90, 2.20, 1.80,        // 11-20
    1.60, 1.40, 1.35, 1.40, 1.40, 1.40, 1.35, 1.35, 1.35, 1.35,        // 21-30
    1.30, 1.25, 1.15, 1.15, 1.15, 1.00, 2.35, 2.00, 1.80, 1.55,        // 31-40
    1.45, 1.45, 1.35, 1.30, 1.35, 1.40, 1.60, 1.55, 1.55, 1.45,        // 41-50
    1.45, 1.40, 1.40, 1.30, 2.35, 1.98, 1.69, 1.65, 1.65, 1.64,        // 51-60
    1.65, 1.66, 1.85, 1.61, 1.59, 1.59, 1.58, 1.57, 1.56, 1.70,        // 61-70
    1.56, 1.44, 1.34, 1.30, 1.28, 1.26, 1.26, 1.29, 1.34, 1.44,        // 71-80
    1.55, 1.54, 1.52, 1.53, 1.53, 1.50, 2.70, 2.23, 1.87, 1.78,        // 81-90
    1.61, 1.40, 1.40, 1.40, 1.40, 1.40, 1.40, 1.40, 1.40, 1.40,        // 91-100
    1.40, 1.40, 1.40, 1.40, 1.40};                                     // 101-105

}  // namespace

const char* element_symbol(int z) {
  if (z < 1 || z > MAX_ELEMENT) return "?";
  return kSymbols[z];
}

double element_radius(int z) {
  if (z < 1 || z > MAX_ELEMENT) return 0.0;
  return kRadiusAngstrom[z] / kAngstromPerBohr;
}

}  // namespace ostrel
