#pragma once
#include <cstdint>

#include "integrals/coulomb_fit.hpp"

namespace ostrel {

// The three-centre Coulomb integrals (k|mu nu) of this node's atom pairs, kept between SCF
// iterations in the node's store record "ri.B" so that projections and assemblies become
// matrix-vector products. Only the function pairs whose shell pair survives the primitive
// screening are kept, packed: the others are zero. The record is made once, at the SCF
// set-up (the store frees in stack order, so it must sit below the records of the runs),
// and is rewritten in place for each geometry. It takes at most half the store's free space;
// the pairs that do not fit (those saving the least direct work per stored column) are
// computed directly by the callers.

// Creates the record when absent, sized for every atom pair at the present geometry (with
// some slack) or for what fits; one line tells when not all fit.
void fit_cache_reserve(const AtomSet& orb, int m, double epsilon, std::int64_t later_bytes = 0);

// Makes the record hold the integrals of this geometry, basis and epsilon for the pairs of
// `pairs` that fit, and writes the others as pair lists into `rest` (natom x natom, the form
// of FitPairs::lists, rows of the atoms of `pairs`) for the direct path. False when no pair
// is kept (then `rest` holds all of `pairs`).
bool fit_cache_prepare(const AtomSet& orb, const AtomSet& aux, const double* xyz, const FitPairs& pairs,
                       double epsilon, int* rest);

// gamma[d * m + k] += sum (k|mu nu) P_d(mu, nu) over the kept pairs (nd packed densities);
// `atom_stride` as for fit_projection.
void fit_cache_projection(const AtomSet& orb, int m, const FitPairs& pairs, double epsilon, int nd,
                          const double* densities, double* gamma, std::int64_t atom_stride = 0);

// M_d(mu, nu) += sum_k (mu nu|k) c_d,k over the kept pairs (nd packed matrices).
void fit_cache_assembly(const AtomSet& orb, int m, const FitPairs& pairs, double epsilon, int nd,
                        const double* coefficients, double* matrices);

}  // namespace ostrel
