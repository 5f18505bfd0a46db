#pragma once
#include "integrals/core_potential_matrix.hpp"
#include "integrals/one_electron_matrices.hpp"
#include "model/basis_record.hpp"
#include "scf/xc/xc_functional.hpp"

namespace ostrel {

// Largest angular momentum of the shells an atom may carry in the atomic solver.
inline constexpr int kAtomMaxL = MAX_BASIS_L;

// A free atom in its own functions: one atom of a loaded basis, its nuclear charge (reduced
// by a core potential) and the electrons per angular momentum that it keeps.
struct AtomProblem {
  AtomFunctions functions;  // the atom's exponents and contractions
  const ShellSlot* shells;  // its shells in function order (first_function relative
  int n_shells;             // to `function_base`)
  int function_base;
  double charge;                   // nuclear charge seen by the electrons
  double nucleus_exponent;         // 0: point nucleus
  const CorePotential* potential;  // null without a core potential
  double electrons[kAtomMaxL + 1];
  XcFunctional functional;
};

// Orbitals of one angular momentum: `count` radial solutions over the `n_shells` shells of
// that l, column after column, with ascending energies and their occupations (electrons in
// all 2l+1 components together).
struct AtomChannel {
  int n_shells;
  int count;
  int shell[MAX_KIND_SHELLS];  // the atom's shell index of each radial function
  double* coef;                // n_shells x count
  double* energy;              // count
  double* occupation;          // count
};

// The spherically averaged, spin-unpolarised Kohn-Sham solution. Arrays live in one pool
// block (`block`) that the caller gives back with release_atom_solution.
struct AtomSolution {
  int n_functions;
  int lmax;
  int iterations;
  bool converged;
  double energy;        // total electronic energy (no nuclear repulsion: one centre)
  double one_electron;  // tr D H
  double coulomb;       // 1/2 tr D J
  double exchange_correlation;
  double* density;  // packed, n_functions
  AtomChannel channel[kAtomMaxL + 1];
  void* block;
};

// Solves the atom by damped-free DIIS iterations from the core-Hamiltonian start; every
// shell's 2l+1 components share the channel's radial orbitals and occupations.
AtomSolution solve_atom(const AtomProblem& problem);
void release_atom_solution(AtomSolution& solution);

}  // namespace ostrel
