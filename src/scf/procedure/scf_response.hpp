#pragma once
// A step of the SCF driver. Every node calls it together; the master alone reads and
// writes the store records it works on.

namespace ostrel {

// First-order Fock matrices "F1Ca", "F1Cb" of the perturbed orbitals "Ca1", "Cb1".
void scf_response();

}  // namespace ostrel
