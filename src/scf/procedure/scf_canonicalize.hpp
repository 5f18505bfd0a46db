#pragma once
// A step of the SCF driver. Every node calls it together; the master alone reads and
// writes the store records it works on.

namespace ostrel {

// With "scf_diag"[1] set, diagonalises the Fock matrix within the occupied and virtual
// blocks; otherwise stores those blocks ("Foa", "Fva", "Fob", "Fvb") and their diagonals
// as the orbital energies "ea", "eb".
void scf_canonicalize();
// Whether some spin's lowest virtual orbital lies clearly below its highest occupied one
// (a first-order run settled in an excited state); if so the two trade places, with
// canonical orbitals and energies written. All nodes call it.
bool scf_aufbau_swap();

}  // namespace ostrel
