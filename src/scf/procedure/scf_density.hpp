#pragma once
// Steps of the SCF driver. Every node calls each together; the master alone reads and
// writes the store records they work on.

namespace ostrel {

// "Da", "Db" and "D" from the occupied orbitals.
void scf_density();

// Energy-weighted density "W".
void scf_weighted_density();

}  // namespace ostrel
