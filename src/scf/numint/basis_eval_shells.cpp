#include "scf/numint/basis_eval_shells.hpp"

#include <cstdint>

#include "runtime/pool.hpp"

namespace ostrel {

BasisShells basis_shells(const Basis& basis) {
  BasisShells v{};
  const int ns = basis.n_shells, na = basis.n_atoms;
  v.shells = static_cast<GaussianShell*>(
      pool_alloc(static_cast<std::int64_t>(sizeof(GaussianShell)) * (ns + 1) + 4 * std::int64_t{na + 1}));
  v.first_shell = reinterpret_cast<int*>(v.shells + ns + 1);
  for (int i = 0; i < ns; ++i) {
    const ShellSlot& s = basis.shells[i];
    v.shells[i] = GaussianShell{s.l, s.n_primitives, basis.shell_first_function[i], s.atom,
                                s.exponent, s.coef[0], s.position};
  }
  for (int a = 0; a <= na; ++a) v.first_shell[a] = basis.atom_first_shell[a];
  v.set = ShellSet{na, ns, basis.n_functions, v.shells, v.first_shell};
  return v;
}

void release_basis_shells(BasisShells& v) {
  if (v.shells) pool_release(v.shells);
  v = BasisShells{};
}

}  // namespace ostrel
