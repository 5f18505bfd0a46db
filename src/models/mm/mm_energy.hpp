#pragma once
// The theory "MM" as the energy driver sees it.

namespace ostrel {

// The energy-driver entry of the theory "MM": "Molecule" and "mmdata" in, "Energy",
// "Dipole", "Gradient" and, for a second-derivative request, "Hessian" out.
void mm_energy();

}  // namespace ostrel
