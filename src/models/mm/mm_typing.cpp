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

int neighbour(const Molecule& m, int a, int k) { return m.bonds[MAX_NEIGHBOURS * a + k]; }

// A carbon with three neighbours one of which is an oxygen or sulphur with no other bond.
bool carbonyl(const Molecule& m, int a) {
  if (m.z[a] != 6 || neighbour_count(m, a) != 3) return false;
  for (int k = 0; k < 3; ++k) {
    const int b = neighbour(m, a, k);
    if ((m.z[b] == 8 || m.z[b] == 16) && neighbour_count(m, b) == 1) return true;
  }
  return false;
}

// Ring members that can share a pi sextet: trigonal carbon (not carbonyl), two-bonded
// nitrogen; `donor` also allows the lone-pair atom of a five-membered ring.
bool pi_member(const Molecule& m, int a, bool donor) {
  const int z = m.z[a], c = neighbour_count(m, a);
  if (z == 6) return c == 3 && !carbonyl(m, a);
  if (z == 7) return c == 2 || (donor && c == 3);
  return donor && (z == 8 || z == 16) && c == 2;
}

// Depth-first search for a ring of `size` atoms through `start` whose members all qualify;
// five-membered rings take exactly one lone-pair donor (pyrrole, furan, thiophene).
bool ring_from(const Molecule& m, int start, int at, int depth, int size, int* path, int donors) {
  for (int k = 0; k < neighbour_count(m, at); ++k) {
    const int b = neighbour(m, at, k);
    if (b == start && depth == size) return size == 6 ? donors == 0 : donors == 1;
    if (depth == size || b == start) continue;
    bool seen = false;
    for (int d = 0; d < depth; ++d) seen = seen || path[d] == b;
    if (seen || !pi_member(m, b, size == 5)) continue;
    const int extra = pi_member(m, b, false) ? 0 : 1;
    path[depth] = b;
    if (ring_from(m, start, b, depth + 1, size, path, donors + extra)) return true;
  }
  return false;
}

bool aromatic(const Molecule& m, int a) {
  int path[6];
  path[0] = a;
  const int own = pi_member(m, a, false) ? 0 : 1;
  return (pi_member(m, a, false) && ring_from(m, a, a, 1, 6, path, 0)) ||
         (pi_member(m, a, true) && ring_from(m, a, a, 1, 5, path, own));
}

// Nitrogen with three neighbours whose lone pair is conjugated: amide, aromatic ring, or
// bonded to any trigonal carbon.
bool planar_nitrogen(const Molecule& m, int a) {
  if (aromatic(m, a)) return true;
  for (int k = 0; k < 3; ++k) {
    const int b = neighbour(m, a, k);
    if (m.z[b] == 6 && neighbour_count(m, b) == 3) return true;
  }
  return false;
}

void type_of(const Molecule& m, int a, char* name) {
  const int z = m.z[a], count = neighbour_count(m, a);
  const char* fixed = nullptr;
  if (z == 1) {
    const int partner = count > 0 ? m.z[neighbour(m, a, 0)] : 0;
    fixed = partner == 8 ? "HO" : partner == 7 ? "HN" : "H";
  } else if (z == 6 && count == 3) {
    fixed = carbonyl(m, a) ? "CO" : aromatic(m, a) ? "CA" : "C3";
  } else if (z == 7 && count == 3 && planar_nitrogen(m, a)) {
    fixed = "NP";
  }
  if (fixed)
    std::snprintf(name, NAME_SLOT, "%s", fixed);
  else
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
