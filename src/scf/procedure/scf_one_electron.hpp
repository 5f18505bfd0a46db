#pragma once

namespace ostrel {

// Start of every SCF run, all nodes together: "Enn", "S" and "H0" (with the applied field
// and the core potentials) under the integral cut-off "cutij"[0]; with a fitting basis the
// fitting-function moments "s", the inverse Coulomb metric "invA" (and the three metric
// blocks "VMM" the fit steps read) and "p" = invA s.
void scf_one_electron_setup();

}  // namespace ostrel
