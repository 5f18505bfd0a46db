#pragma once

namespace ostrel {

// Analytic gradient of the converged SCF energy into "Gradient" (3 x Natom). Every node
// calls it.
void scf_nuclear_gradient();

}  // namespace ostrel
