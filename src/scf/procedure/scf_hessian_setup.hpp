#pragma once
// A step of the SCF driver. Every node calls it together; the master alone reads and
// writes the store records it works on.

namespace ostrel {

// Creates the quasi-Newton records with room for m update pairs and sets the
// preconditioner; m < 0 deletes them.
void scf_hessian_setup(int m);

// The preconditioner again, from the present orbital energies (diagonal Fock elements):
// the guess's energies cost a closed shell's later Newton solves a step or two each.
void scf_preconditioner_update();

}  // namespace ostrel
