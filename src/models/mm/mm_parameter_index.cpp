// Look-ups through the index tables of the force-field parameters.
#include "models/mm/mm_parameter_index.hpp"

#include <cstring>

namespace ostrel {

void mm_clear_parameters(MmParameters& p) {
  std::memset(&p, 0, sizeof p);
  p.max_bonds = MM_BONDS_PER_TYPE;
  std::memset(p.bond_index, 0xff, sizeof p.bond_index);
  std::memset(p.bond_slots, 0xff, sizeof p.bond_slots);
  std::memset(p.angle_index, 0xff, sizeof p.angle_index);
  std::memset(p.torsion1_index, 0xff, sizeof p.torsion1_index);
  std::memset(p.torsion2_index, 0xff, sizeof p.torsion2_index);
}

int mm_type_index(const MmParameters& p, const char* name) {
  for (int t = 0; t < p.ntypes; ++t)
    if (std::strncmp(p.type_names[t], name, MM_NAME) == 0) return t;
  return -1;
}

namespace {

int highest(const int* table, int n) {
  int top = -1;
  for (int k = 0; k < n; ++k)
    if (table[k] > top) top = table[k];
  return top;
}

}  // namespace

MmCounts mm_record_counts(const MmParameters& p) {
  MmCounts c{};
  const int top_slot = highest(&p.bond_slots[0][0], MM_TYPES * MM_BONDS_PER_TYPE);
  c.bonds = top_slot < 0 ? 0 : top_slot / 2 + 1;
  c.slot_entries = 2 * c.bonds;
  c.angles = highest(&p.angle_index[0][0][0], MM_TYPES * MM_BONDS_PER_TYPE * MM_BONDS_PER_TYPE) + 1;
  c.torsion1 = highest(p.torsion1_index, MM_TORSION_INDEX) + 1;
  c.torsion2 = highest(p.torsion2_index, MM_TORSION_INDEX) + 1;
  return c;
}

int mm_bond_record(const MmParameters& p, int a, int b) {
  const int s = p.bond_index[a][b];
  return s < 0 ? -1 : p.bond_slots[a][s] >> 1;
}

int mm_angle_record(const MmParameters& p, int a, int b, int c) {
  const int s1 = p.bond_index[b][a], s2 = p.bond_index[b][c];
  return s1 < 0 || s2 < 0 ? -1 : p.angle_index[b][s1][s2];
}

int mm_torsion_record(const MmParameters& p, int table, int a, int b, int c, int d) {
  const int sbc = p.bond_index[b][c], sba = p.bond_index[b][a], scd = p.bond_index[c][d];
  if (sbc < 0 || sba < 0 || scd < 0) return -1;
  const int e = p.bond_slots[b][sbc];
  const int k = (e * MM_BONDS_PER_TYPE + sba) * MM_BONDS_PER_TYPE + scd;
  return table == 1 ? p.torsion1_index[k] : p.torsion2_index[k];
}

}  // namespace ostrel
