#include "integrals/basis_adapter.hpp"

#include <algorithm>

#include "runtime/fatal.hpp"
#include "runtime/node.hpp"

namespace ostrel {

AtomSet atom_set_from_basis(const Basis& basis, const Molecule& mol, AtomFunctions* atoms) {
  for (int i = 0; i < basis.n_atoms; ++i) {
    const BasisKind& k = basis.kind[i];
    atoms[i] = {mol.xyz + 3 * i, k.n_exponents, k.exponents,  k.n_shells,
                k.coef[0],       k.shell_l,     k.shell_first, k.n_functions};
  }
  return {basis.n_atoms, atoms, basis.atom_first_function};
}

ShellList shell_list_from_basis(const Basis& basis, Shell* shells, int* shell_atom) {
  for (int s = 0; s < basis.n_shells; ++s) {
    const ShellSlot& slot = basis.shells[s];
    shells[s] = {slot.position, slot.l, slot.n_primitives, slot.exponent, slot.coef[0]};
    shell_atom[s] = slot.atom;
  }
  return {basis.n_shells, shells, basis.shell_first_function, shell_atom, basis.n_functions};
}

PotentialList potential_list_from_ecp(const EcpBlock* blocks, const Molecule& mol, CorePotential* potentials,
                                      CoreTerm* terms, int* potential_atom) {
  constexpr int kTermsPerAtom = (ECP_MAX_CHANNELS + 1) * ECP_MAX_TERMS;
  int count = 0;
  for (int i = 0; i < mol.n_atoms; ++i) {
    const EcpBlock& e = blocks[i];
    if (e.n_core == 0) continue;
    // The block holds at most four semilocal channels of eight terms each.
    bool fits = e.lmax >= 0 && e.lmax <= ECP_MAX_CHANNELS && e.n_local >= 0 && e.n_local <= ECP_MAX_TERMS;
    for (int l = 0; fits && l < e.lmax; ++l) fits = e.n_semilocal[l] >= 0 && e.n_semilocal[l] <= ECP_MAX_TERMS;
    if (!fits) fatal_error("\n %d: core potential of atom %d exceeds its block\n", node_id, i + 1);
    CoreTerm* t = terms + static_cast<long>(count) * kTermsPerAtom;
    CorePotential& u = potentials[count];
    u = {};
    u.centre = mol.xyz + 3 * i;
    u.lmax = e.lmax;
    u.nlocal = e.n_local;
    u.local = t;
    for (int k = 0; k < e.n_local; ++k) t[k] = {e.local_coef[k], e.local_power[k], e.local_exponent[k]};
    t += ECP_MAX_TERMS;
    for (int l = 0; l < e.lmax; ++l, t += ECP_MAX_TERMS) {
      u.nsemi[l] = e.n_semilocal[l];
      u.semi[l] = t;
      for (int k = 0; k < e.n_semilocal[l]; ++k) {
        const int at = l * ECP_MAX_TERMS + k;
        t[k] = {e.semilocal_coef[at], e.semilocal_power[at], e.semilocal_exponent[at]};
      }
    }
    potential_atom[count++] = i;
  }
  return {count, potentials, potential_atom};
}

BasisViews::BasisViews(const Basis& basis, const Molecule& mol)
    : atom_storage(std::max(1, basis.n_atoms)),
      shell_storage(std::max(1, basis.n_shells)),
      shell_atom(std::max(1, basis.n_shells)),
      atoms(atom_set_from_basis(basis, mol, atom_storage.data())),
      shells(shell_list_from_basis(basis, shell_storage.data(), shell_atom.data())) {}

PotentialViews::PotentialViews(const EcpBlock* blocks, const Molecule& mol)
    : potential_storage(std::max(1, mol.n_atoms)),
      terms(std::max(1L, static_cast<long>(mol.n_atoms) * (ECP_MAX_CHANNELS + 1) * ECP_MAX_TERMS)),
      potential_atom(std::max(1, mol.n_atoms)),
      potentials(potential_list_from_ecp(blocks, mol, potential_storage.data(), terms.data(),
                                         potential_atom.data())) {}

}  // namespace ostrel
