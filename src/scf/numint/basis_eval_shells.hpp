#pragma once
#include "model/basis_record.hpp"
#include "scf/numint/basis_eval.hpp"

namespace ostrel {

// Evaluation view of a loaded basis: one GaussianShell per shell of the table, pointing into
// the basis (exponents, set-1 coefficients, atom positions). The arrays come from the pool.
struct BasisShells {
  ShellSet set;
  GaussianShell* shells;
  int* first_shell;
};
BasisShells basis_shells(const Basis& basis);
void release_basis_shells(BasisShells& view);

}  // namespace ostrel
