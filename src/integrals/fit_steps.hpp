#pragma once
#include "integrals/coulomb_fit.hpp"

namespace ostrel {

// The three steps of the fitted Coulomb matrix in one SCF iteration, for nd = 1 or 2
// densities (alpha, beta). All nodes call the gamma and J steps together, each with its
// own atom pairs (see fit_setup); inputs are read on the master and broadcast, results
// summed onto the master, which writes the records. Timer "Coulomb-type Integrals".

// gamma_d,k = sum_{mu nu} (k|mu nu) P_d(mu, nu); `densities` (nd packed triangles) must
// hold the densities on the master and room for them on the other nodes. Writes
// `gamma_record` (nd x m).
void fit_gamma_step(const AtomSet& orb, const AtomSet& aux, const FitPairs& pairs, double epsilon, int nd,
                    double* densities, const char* gamma_record);

// Master only: c_d = V^-1 gamma_d with V^-1 the first block of `metric_record`; with one
// density the beta coefficients are a copy. Writes c_alpha, c_beta and c_alpha + c_beta
// (3 x m) to `coefficient_record`.
void fit_coefficient_step(int m, int nd, const char* metric_record, const char* gamma_record,
                          const char* coefficient_record);

// J_d(mu, nu) = sum_k (mu nu|k) c_d,k with c_alpha, c_beta from `coefficient_record`;
// writes `coulomb_record` (nd packed triangles).
void fit_coulomb_step(const AtomSet& orb, const AtomSet& aux, const FitPairs& pairs, double epsilon, int nd,
                      const char* coefficient_record, const char* coulomb_record);

}  // namespace ostrel
