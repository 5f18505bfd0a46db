#include "model/elements.hpp"

#include <cstdio>

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

// Bond-criterion radii in angstrom, converted to bohr on use. Element 0 (a ghost centre)
// takes part in "connect" only; element 105 takes the value of its neighbours.
constexpr double kRadiusAngstrom[MAX_ELEMENT + 1] = {
    0.10, 0.35, 0.20, 1.45, 1.05, 0.85, 0.70, 0.65, 0.60, 0.50, 0.40,  // 0-10
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

constexpr double kMass[106] = {
    0.0,      1.007825, 4.0026,   7.016,    9.01218,  11.00931, 12.0,     14.00307, 15.99491,
    18.9984,  19.99244, 22.9898,  23.98504, 26.98153, 27.97693, 30.97376, 31.97207, 34.96885,
    39.948,   38.96371, 39.96259, 44.95592, 47.9,     50.944,   51.9405,  54.9381,  55.9349,
    58.9332,  57.9353,  62.9298,  63.9291,  68.9257,  73.9219,  74.9216,  79.9165,  78.9183,
    83.9115,  84.9117,  87.9056,  89.9054,  89.9043,  92.906,   97.9055,  97.0,     101.9037,
    102.9048, 105.9032, 106.9041, 113.9036, 114.9041, 119.9022, 120.9038, 129.9067, 126.9044,
    131.9042, 132.9054, 137.9052, 138.9063, 139.9054, 140.9076, 141.9077, 144.9127, 151.9197,
    152.9212, 157.9241, 158.9253, 163.9292, 164.9303, 165.9303, 168.9342, 173.9389, 174.9408,
    179.9465, 180.948,  183.9509, 186.9557, 191.9615, 192.9629, 194.9648, 196.9665, 201.9706,
    204.9744, 207.9766, 208.9804, 208.9824, 209.9871, 222.0176, 223.0197, 226.0254, 227.0278,
    232.0381, 231.0359, 238.0508, 237.0482, 244.0642, 243.0614, 247.0703, 247.0703, 251.0796,
    252.0829, 257.0751, 258.0986, 259.1009, 260.1053, 261.1087, 262.0};

constexpr int kMassNumber[119] = {
    0,   1,   4,   7,   9,   11,  12,  14,  16,  19,  20,  23,  24,  27,  28,  31,  32,
    35,  40,  39,  40,  45,  48,  51,  52,  55,  56,  59,  58,  63,  64,  69,  74,  75,
    80,  79,  84,  85,  88,  89,  90,  93,  98,  98,  102, 103, 106, 107, 114, 115, 120,
    121, 130, 127, 132, 133, 138, 139, 140, 141, 144, 145, 152, 153, 158, 159, 162, 162,
    168, 169, 174, 175, 180, 181, 184, 187, 192, 193, 195, 197, 202, 205, 208, 209, 209,
    210, 222, 223, 226, 227, 232, 231, 238, 237, 244, 243, 247, 247, 251, 252, 257, 258,
    259, 262, 263, 262, 266, 264, 277, 268, 281, 272, 285, 287, 289, 289, 289, 291, 293};

}  // namespace

const char* element_symbol(int z) {
  if (z < 1 || z > MAX_ELEMENT) return "?";
  return kSymbols[z];
}

double element_radius(int z) {
  if (z < 1 || z > MAX_ELEMENT) return 0.0;
  return kRadiusAngstrom[z] / kAngstromPerBohr;
}

// The bond criterion keeps its historical factor of 1.89 bohr per angstrom.
double connect_radius(int z) { return z >= 0 && z <= 105 ? kRadiusAngstrom[z] * 1.89 : 0.0; }

double default_mass(int z) { return z >= 1 && z <= 105 ? kMass[z] : 0.0; }

int mass_number(int z) { return z >= 0 && z <= 118 ? kMassNumber[z] : 0; }

std::vector<std::string> atom_labels(const int* z, int atoms) {
  std::vector<std::string> labels;
  std::vector<int> seen(MAX_ELEMENT + 2, 0);
  for (int a = 0; a < atoms; ++a) {
    const int slot = (z[a] >= 0 && z[a] <= MAX_ELEMENT) ? z[a] : MAX_ELEMENT + 1;
    char text[32];
    std::snprintf(text, sizeof text, "%s%d", element_symbol(z[a]), ++seen[slot]);
    labels.emplace_back(text);
  }
  return labels;
}

const double* sto_kg_row(int k, int n, int l) {
  if (n < 1 || n > 7 || l < 0 || l >= n) return nullptr;
  const int row = n * (n - 1) / 2 + l;
  switch (k) {
    case 2: return sto_kg_2[row];
    case 3: return sto_kg_3[row];
    case 4: return sto_kg_4[row];
    default: return nullptr;
  }
}

}  // namespace ostrel
