#pragma once
#include <cstdio>

namespace ostrel {

inline constexpr int kElementCount = 106;   // atomic numbers 0 (ghost centre) .. 105
inline constexpr int kElementFields = 28;   // 32-bit integers per entry of "Atoms"

// Entry layout of the element shell table record.
enum ElementField : int {
  EL_ORBITALS = 0,       // sum of (2l+1) x shells(l), l = 0..7
  EL_CORE_ORBITALS = 1,  // sum of (2l+1) x core(l)
  EL_LMAX_VALENCE = 2,   // highest l with a shell that is not core
  EL_SHELLS = 4,         // shells(0..7)
  EL_CORE = 12,          // core(0..7)
  EL_ELECTRONS = 20,     // electrons(0..7)
};

// Builds the element shell table from the built-in values, the group "atoms" of `input`
// and its preset core size, and writes it to `record` ("Atoms"). Master only.
void build_element_table(const char* record, std::FILE* input = stdin);

}  // namespace ostrel
