#pragma once
#include "runtime/records.hpp"

namespace ostrel {

// Records of the free-atom solutions that the minimal-basis guess builds on.
// (runtime/records.hpp describes them; the names stay here for the tests).
inline constexpr const char* kAtomicOrbitalsRecord = rec::atomic_ao.name;
inline constexpr const char* kAtomicEnergiesRecord = rec::atomic_ae.name;
inline constexpr const char* kAtomicLabelsRecord = rec::atomic_al.name;
inline constexpr const char* kAtomicCountsRecord = rec::atomic_M.name;
inline constexpr const char* kAtomicTotalsRecord = rec::atomic_E.name;

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
