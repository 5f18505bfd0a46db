#pragma once
#include <cstdint>

#include "integrals/coulomb_fit.hpp"

namespace ostrel {

// Default integral cut-off epsilon of the density fit.
inline constexpr double kFitCutoff = 1e-10;

// Store records the set-up writes (null: not written). The fit records are per node.
struct FitSetupRecords {
  const char* estimates = nullptr;   // one double per shell pair of `orb`, packed over shells
  const char* groups = nullptr;      // node group of every atom (natom ints)
  const char* pair_lists = nullptr;  // natom x natom ints
  const char* fit_header = nullptr;  // header of this node's two-centre fit
  const char* fit_blocks = nullptr;  // the blocks of this node's two-centre fit
};

struct FitCounts {
  std::int64_t blocks, integrals;
};

// Schwarz-type estimate of the Coulomb-type integrals of every pair of shells of `set`
// (shells in atom order, packed over shells: pair (i, j <= i) at i(i+1)/2 + j):
// sqrt of the largest (mu nu|mu nu) of the pair, exponent pairs screened with epsilon^2.
// Pairs are dealt to nodes by their counter and the results summed onto the master.
void shell_pair_estimates(const AtomSet& set, double epsilon, double* estimates);

// Groups of equal size, one per node, made spatially compact by pairwise swaps of atoms
// (at most 128 passes); `coordinates` 3 per atom.
void group_atoms(int natom, const double* coordinates, int ngroups, int* group);

// Then evens out the groups' work (`work` per atom): atoms move from the busiest group to
// the idlest, or when no move helps swap with a lighter one, while that lowers the larger
// of the two loads; equal moves take the atom nearest the idle group.
void balance_groups(int natom, const double* coordinates, const double* work, int ngroups, int* group);

// The set-up of the three-centre work (all nodes together; timers "integral estimates",
// "Two-Center Fit"): estimates, atom groups and atom-pair lists (for each atom the atoms
// with a shell pair whose estimate is at least epsilon, ascending, -1 after the last),
// counts and the sparsity print; with `two_centre_fit` each node then integrates its own
// atom pairs against the fitting functions of both atoms into its fit records. `groups`
// (natom) and `lists` (natom x natom) are filled on every node.
void fit_setup(const AtomSet& orb, const AtomSet& aux, const double* coordinates, double epsilon,
               bool two_centre_fit, const FitSetupRecords& records, int* groups, int* lists);

// The atoms of one group, ascending, into `own`; returns their number.
int group_members(int natom, const int* groups, int group, int* own);

}  // namespace ostrel
