#pragma once
#include <cstdio>

#include "model/molecule_record.hpp"

namespace ostrel {

// A molecule while its group is read: views of the reader's fixed scratch blocks.
struct MoleculeDraft {
  int n = 0;
  int* z;
  double* xyz;            // 3 per atom, input unit until finished
  double* mass;
  int* fragment_of;
  int* set_index;
  char* set_names;        // NAME_SLOT per atom
  char* type_names;       // NAME_SLOT per atom
  int* bonds;             // MAX_NEIGHBOURS per atom, 0-based, -1 unused
  int* n_bonds;
  int* zmatrix;           // five-int records
  int zmatrix_used = 0;   // ints in use
  int* fragment_charge;   // per fragment slot
  int* fragment_mult;
  int fragment = 0;       // current fragment slot
  int fragment_atoms = 0; // atoms in the current fragment
  int charge = 0;
  int multiplicity = 1;
  bool angstrom = true;
  double radius = 0.0;
  bool connect = false;
  bool from_zmatrix = false;
  char set_name[NAME_SLOT] = {};
  int set_counter = 0;
  char last_word[64] = {};
};

// Parses the body of the group (the file stands behind the group's name).
void parse_molecule_group(std::FILE* file, const char* group, MoleculeDraft& draft);

}  // namespace ostrel
