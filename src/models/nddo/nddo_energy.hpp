#pragma once
// The energy driver's entry for the theory "NDDO".

namespace ostrel {

// Energy driver entry: reads "Molecule", "nddo_data", "field" and the starting orbitals
// (the previous evaluation's "nddo_Ca", else the given "guess_Ca"), writes
// "Energy", "Dipole" and, at derivative level 1 ("Derivative"), "Gradient". The master computes.
void nddo_energy();

}  // namespace ostrel
