#pragma once
// A step of the SCF driver. Every node calls it together; the master alone reads and
// writes the store records it works on.

namespace ostrel {

// Fit coefficients, exchange-correlation pass, "Fa", "Fb", "EJ", "Ex", "Ec", "ESCF".
void scf_fock_energy();

}  // namespace ostrel
