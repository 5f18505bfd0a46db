#pragma once
#include "integrals/coulomb_fit.hpp"

namespace ostrel {

// The three-centre Coulomb integrals (k|mu nu) of this node's atom pairs, kept between SCF
// iterations in the node's store record "ri.B" so that projections and assemblies become
// matrix-vector products. The record is made once, at the SCF set-up, for every atom pair
// (the store frees in stack order, so it must sit below the records of the runs), and is
// rewritten in place for each geometry. Without it (it would take more than half the
// store's free space) the callers compute the integrals directly.

// Creates the record for all atom pairs when it fits; nothing when it exists.
void fit_cache_reserve(const AtomSet& orb, int m);

// Makes the record hold the integrals of this geometry, basis and epsilon; false when there
// is no record or the integrals do not fit (the caller then computes directly).
bool fit_cache_prepare(const AtomSet& orb, const AtomSet& aux, const double* xyz, const FitPairs& pairs,
                       double epsilon);

// gamma[d * m + k] += sum (k|mu nu) P_d(mu, nu) over the cached pairs (nd packed densities).
void fit_cache_projection(const AtomSet& orb, int m, const FitPairs& pairs, int nd, const double* densities,
                          double* gamma);

// M_d(mu, nu) += sum_k (mu nu|k) c_d,k over the cached pairs (nd packed matrices).
void fit_cache_assembly(const AtomSet& orb, int m, const FitPairs& pairs, int nd, const double* coefficients,
                        double* matrices);

}  // namespace ostrel
