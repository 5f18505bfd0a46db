#pragma once

namespace ostrel {

// Steps of the SCF driver. Every node calls each step together; the master alone reads
// and writes the store records they work on.

// S-orthonormalises "Ca" (and "Cb" when unrestricted; otherwise "Cb" = "Ca").
void scf_orthonormalize();

// "Da", "Db" and "D" from the occupied orbitals.
void scf_density();

// Fit coefficients, exchange-correlation pass, "Fa", "Fb", "EJ", "Ex", "Ec", "ESCF".
void scf_fock_energy();

// With "scf_diag"[1] set, diagonalises the Fock matrix within the occupied and virtual
// blocks; otherwise stores those blocks ("Foa", "Fva", "Fob", "Fvb") and their diagonals
// as the orbital energies "ea", "eb".
void scf_canonicalize();
// Whether some spin's lowest virtual orbital lies clearly below its highest occupied one
// (a first-order run settled in an excited state); if so the two trade places, with
// canonical orbitals and energies written. All nodes call it.
bool scf_aufbau_swap();

// Creates the quasi-Newton records with room for m update pairs and sets the
// preconditioner; m < 0 deletes them.
void scf_hessian_setup(int m);

// Orbital gradient "scf_G" and its largest element "scf_Gmax".
void scf_gradient();

// Newton-Raphson step into "scf_X" by a preconditioned subspace solver.
void scf_newton_step();

// Hessian image sigma of the rotation direction b (both of length "scf_G", on the master):
// the response of the gradient through "Ca1", "Cb1", "F1Ca", "F1Cb", which must exist.
void scf_hessian_image(const double* b, double* sigma);

// BFGS quasi-Newton step into "scf_X".
void scf_bfgs_step();

// Applies the angles of "scf_X" to the orbitals as plane rotations.
void scf_rotate();

// First-order Fock matrices "F1Ca", "F1Cb" of the perturbed orbitals "Ca1", "Cb1".
void scf_response();

// Energy-weighted density "W".
void scf_weighted_density();

// "ET", "Ev" and "Dipole" of the converged density.
void scf_one_electron_properties();

}  // namespace ostrel
