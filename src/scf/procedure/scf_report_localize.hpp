#pragma once

namespace ostrel {

// Pipek-Mezey localised occupied orbitals of "Ca" (na) and, unless restricted, "Cb" (nb):
// stored as "loc_Cna"/"loc_Cnb" (n x na, n x nb) with their Fock expectation values
// "loc_ea"/"loc_eb", printed, and with `molden` also written as a Molden section. Master only.
void print_localized_orbitals(int n_basis, int na, int nb, int restricted, int molden);

}  // namespace ostrel
