#pragma once
// A step of the SCF driver. Every node calls it together; the master alone reads and
// writes the store records it works on.

namespace ostrel {

// BFGS quasi-Newton step into "scf_X".
void scf_bfgs_step();

}  // namespace ostrel
