#pragma once

namespace ostrel {

// Records of the free-atom solutions that the minimal-basis guess builds on.
inline constexpr const char* kAtomicOrbitalsRecord = "atomic_ao";  // Nbasis x M, column after column
inline constexpr const char* kAtomicEnergiesRecord = "atomic_ae";  // M orbital energies
inline constexpr const char* kAtomicLabelsRecord = "atomic_al";    // 2M ints: atom, 1 for core
inline constexpr const char* kAtomicCountsRecord = "atomic_M";     // M, number of core orbitals
inline constexpr const char* kAtomicTotalsRecord = "atomic_E";     // free-atom energy of each atom

// Spherically averaged Kohn-Sham runs of every distinct atom of "Molecule" (element, basis
// and core potential) in its own functions of "Basis", with the occupations of the element
// table "Atoms" and the functional of the run. All nodes call it; the master computes and
// writes "atomic_D" (each atom's packed density over its own functions, atoms in order),
// "atomic_d" (each atom's density fitted in the Coulomb metric by its own functions of
// "Basis2"), "da" = "db" = 0.5 "atomic_d", and the minimal-basis orbitals above: per atom
// its core orbitals first, then the valence ones, each shell with its 2l+1 components.
void atomic_calculations();

// "C_core": the core orbitals of the atomic solutions in the wavefunction basis
// (Nbasis x number of core orbitals). Master only.
void core_orbitals();

}  // namespace ostrel
