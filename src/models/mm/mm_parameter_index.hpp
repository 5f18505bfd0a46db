#pragma once
// Look-ups through the index tables of the force-field parameters.
#include "models/mm/mm_parameters.hpp"

namespace ostrel {

// Zeroed records, index tables filled with -1, max_bonds set.
void mm_clear_parameters(MmParameters& p);

// Index of a type name, -1 when unknown.
int mm_type_index(const MmParameters& p, const char* name);

// Counts of the records in use (the parameters keep no counters of their own).
struct MmCounts {
  int bonds, angles, torsion1, torsion2, slot_entries;
};
MmCounts mm_record_counts(const MmParameters& p);

// Bond record of types a and b (either order), -1 when none.
int mm_bond_record(const MmParameters& p, int a, int b);
// Angle record of the outer types a, c around the centre type b, -1 when none.
int mm_angle_record(const MmParameters& p, int a, int b, int c);
// Torsion record of types a-b-c-d from the first (table 1) or second (table 2) table.
int mm_torsion_record(const MmParameters& p, int table, int a, int b, int c, int d);

}  // namespace ostrel
