#include "models/mm/mm_typing.hpp"

#include <cstdio>
#include <cstring>

#include "model/elements.hpp"

namespace ostrel {
namespace {

int neighbour_count(const Molecule& m, int a) {
  int k = 0;
  while (k < MAX_NEIGHBOURS && m.bonds[MAX_NEIGHBOURS * a + k] >= 0) ++k;
  return k;
}

bool has_bonds(const Molecule& m) {
  for (int a = 0; a < m.n_atoms; ++a)
    if (m.bonds[MAX_NEIGHBOURS * a] >= 0) return true;
  return false;
}

// The distance rule of "connect".
void connect(Molecule& m) {
  for (int a = 0; a < m.n_atoms; ++a) {
    int* list = m.bonds + MAX_NEIGHBOURS * a;
    for (int k = 0; k < MAX_NEIGHBOURS; ++k) list[k] = -1;
    const double ra = connect_radius(m.z[a]);
    int count = 0;
    for (int b = 0; b < m.n_atoms && count < MAX_NEIGHBOURS; ++b) {
      if (b == a) continue;
      const double rb = connect_radius(m.z[b]);
      if (atom_distance(m.xyz, a, b) <= ra + rb + 1.2 * ra * rb / (ra + rb)) list[count++] = b;
    }
  }
}

void type_of(const Molecule& m, int a, char* name) {
  const int z = m.z[a], count = neighbour_count(m, a);
  if (z == 1) {
    const int partner = count > 0 ? m.z[m.bonds[MAX_NEIGHBOURS * a]] : 0;
    std::snprintf(name, NAME_SLOT, "%s", partner == 8 ? "HO" : partner == 7 ? "HN" : "H");
    return;
  }
  std::snprintf(name, NAME_SLOT, "%s%d", element_symbol(z), count);
}

}  // namespace

int mm_assign_types(Molecule& mol) {
  int missing = 0;
  for (int a = 0; a < mol.n_atoms; ++a)
    if (mol.type_name(a)[0] == '\0') ++missing;
  if (missing == 0) return 0;
  if (!has_bonds(mol)) connect(mol);
  std::printf("\n atom types from elements and bonds:\n");
  for (int a = 0; a < mol.n_atoms; ++a) {
    char* name = mol.type_names + NAME_SLOT * a;
    if (name[0] != '\0') continue;
    type_of(mol, a, name);
    std::printf(" %4d %-3s %-8s %d bonds\n", a + 1, element_symbol(mol.z[a]), name, neighbour_count(mol, a));
  }
  return missing;
}

}  // namespace ostrel
