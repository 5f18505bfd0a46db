#pragma once
// Force-field parameters: one fixed block, stored whole as "mmdata" and broadcast whole.

namespace ostrel {

inline constexpr int MM_TYPES = 128;
inline constexpr int MM_BONDS_PER_TYPE = 32;
inline constexpr int MM_BOND_RECORDS = 256;
inline constexpr int MM_SLOT_ENTRIES = 2 * MM_BOND_RECORDS;
inline constexpr int MM_PAIR_RECORDS = 512;
inline constexpr int MM_ANGLE_RECORDS = 2048;
inline constexpr int MM_TORSION_RECORDS = 8192;
inline constexpr int MM_TORSION_INDEX = MM_SLOT_ENTRIES * MM_BONDS_PER_TYPE * MM_BONDS_PER_TYPE;
inline constexpr int MM_NAME = 32;
// A reference angle this close to 180 degrees (as "%10.8lf" writes pi) marks a straight
// centre: its bend goes through 1 + cos(theta) and has no stretch-bend coupling.
inline constexpr double MM_STRAIGHT = 3.14159265 - 1e-8;

// Two integers the energy does not read (carried through reading and writing) and five values.
struct MmRecord {
  int n1, n2;
  double p[5];
};

// Bond records are stored for the type pair ordered by type index. A bond slot entry is
// 2 b + 1 when the slot's type is the second type of bond record b (2 b otherwise, also for
// a bond between two atoms of one type). Angle records sit at (centre type, the two bond
// slots of the centre type); torsion records at (slot entry of the central bond seen from
// its first atom, bond slot of the first atom's outer bond, bond slot of the second atom's).
struct MmParameters {
  int ntypes;
  int max_bonds;
  char type_names[MM_TYPES][MM_NAME];
  int bond_index[MM_TYPES][MM_TYPES];
  int bond_slots[MM_TYPES][MM_BONDS_PER_TYPE];
  int angle_index[MM_TYPES][MM_BONDS_PER_TYPE][MM_BONDS_PER_TYPE];
  int torsion1_index[MM_TORSION_INDEX];
  int torsion2_index[MM_TORSION_INDEX];
  MmRecord atom[MM_TYPES];
  MmRecord bond[MM_BOND_RECORDS];
  MmRecord pair[MM_PAIR_RECORDS];
  MmRecord angle[MM_ANGLE_RECORDS];
  MmRecord torsion1[MM_TORSION_RECORDS];
  MmRecord torsion2[MM_TORSION_RECORDS];
};

}  // namespace ostrel
