#pragma once
#include <cstdint>

#include "model/molecule_record.hpp"

namespace ostrel {

// Electron and orbital counts per structure: [0] the whole molecule, [1] its first fragment.
struct ScfElectrons {
  int na[2];
  int nb[2];
  int ncore[2];    // core orbitals per spin
  int nactive[2];  // minimal-basis orbitals
};

// Counts from the nuclei, charges and multiplicities of `mol`, the element shell table
// `atoms` (the "Atoms" record) and the ECP core orbitals `necp` (the "Necp" record). With
// core potentials their core orbitals replace the table's and leave the valence counts.
ScfElectrons scf_count_electrons(const Molecule& mol, const std::int32_t* atoms,
                                 const int necp[2]);

}  // namespace ostrel
