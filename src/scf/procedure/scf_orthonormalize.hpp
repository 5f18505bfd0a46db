#pragma once
// A step of the SCF driver. Every node calls it together; the master alone reads and
// writes the store records it works on.

namespace ostrel {

// S-orthonormalises "Ca" (and "Cb" when unrestricted; otherwise "Cb" = "Ca").
void scf_orthonormalize();

}  // namespace ostrel
