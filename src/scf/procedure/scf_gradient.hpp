#pragma once
// A step of the SCF driver. Every node calls it together; the master alone reads and
// writes the store records it works on.

namespace ostrel {

// Orbital gradient "scf_G" and its largest element "scf_Gmax".
void scf_gradient();

}  // namespace ostrel
