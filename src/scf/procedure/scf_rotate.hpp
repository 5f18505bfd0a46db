#pragma once
// A step of the SCF driver. Every node calls it together; the master alone reads and
// writes the store records it works on.

namespace ostrel {

// Applies the angles of "scf_X" to the orbitals as plane rotations.
void scf_rotate();

}  // namespace ostrel
