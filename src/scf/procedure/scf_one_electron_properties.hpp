#pragma once
// A step of the SCF driver. Every node calls it together; the master alone reads and
// writes the store records it works on.

namespace ostrel {

// "ET", "Ev" and "Dipole" of the converged density.
void scf_one_electron_properties();

}  // namespace ostrel
