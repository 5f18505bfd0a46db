#pragma once
#include "integrals/core_potential_matrix.hpp"
#include "integrals/one_electron_matrices.hpp"
#include "model/basis_record.hpp"
#include "model/ecp_input.hpp"
#include "model/molecule_record.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

// Views of a loaded `Basis` for the integral code. Nothing is copied: the views point into
// the basis block (kind records, shell slots) and the molecule's coordinates, so both must
// outlive them. Coefficients are set 1 (ordinary / large component).

// atoms: n_atoms entries, one per atom from its kind record (exponent-by-shell layout).
AtomSet atom_set_from_basis(const Basis& basis, const Molecule& mol, AtomFunctions* atoms);

// shells and shell_atom: n_shells entries, in function order.
ShellList shell_list_from_basis(const Basis& basis, Shell* shells, int* shell_atom);

// Core potentials of the atoms with a core, from the "ECP" blocks (one per atom, atom
// order). potentials and potential_atom need n_atoms entries, terms
// n_atoms * (ECP_MAX_CHANNELS + 1) * ECP_MAX_TERMS.
PotentialList potential_list_from_ecp(const EcpBlock* blocks, const Molecule& mol, CorePotential* potentials,
                                      CoreTerm* terms, int* potential_atom);

// The same views with their arrays from the pool; the arrays go back when the object goes
// out of scope, so it nests like any other pool block.
struct BasisViews {
  BasisViews(const Basis& basis, const Molecule& mol);
  PoolArray<AtomFunctions> atom_storage;
  PoolArray<Shell> shell_storage;
  PoolArray<int> shell_atom;
  AtomSet atoms;
  ShellList shells;
};

struct PotentialViews {
  PotentialViews(const EcpBlock* blocks, const Molecule& mol);
  PoolArray<CorePotential> potential_storage;
  PoolArray<CoreTerm> terms;
  PoolArray<int> potential_atom;
  PotentialList potentials;
};

}  // namespace ostrel
