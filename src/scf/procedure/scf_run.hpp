#pragma once

namespace ostrel {

// The non-relativistic SCF driver: iterates from "Ca"/"Cb" to self-consistency and leaves
// the energy, densities, Fock matrices and orbitals in the store. Every node calls it.
void scf_run();

}  // namespace ostrel
