#pragma once
#include "scf/guess/atomic_scf.hpp"

namespace ostrel {

// Coulomb energy of the spherical densities r^(2k) exp(-p r^2) and r^(2k') exp(-q r^2):
// (-d/dp)^k (-d/dq)^k' of 2 pi^(5/2) / (p q sqrt(p + q)), a sum of positive terms.
double spherical_coulomb(int k, double p, int kp, double q);

// The Coulomb term of a spherical atom in closed form. Every channel density
// sum_ab P_ab R_a R_b is a sum of r^(2l) exp(-(a_e + a_f) r^2) over exponent pairs of the
// channel, so the whole interaction is one small matrix over those pairs, built once.
struct AtomCoulomb {
  int n_pairs;
  int* l;  // per pair: channel
  int* e;  // per pair: the two exponents (indices into the atom's exponents), e <= f
  int* f;
  double* w;        // n_pairs x n_pairs interaction matrix
  double* density;  // n_pairs work: density coefficients
  double* field;    // n_pairs work: potential coefficients
  void* block;
};

AtomCoulomb atom_coulomb(const AtomFunctions& fun, const AtomChannel* channels, int lmax);
void release_atom_coulomb(AtomCoulomb& c);

// Channel blocks of J (block l is n_l x n_l, full) from the channel density blocks.
void atom_coulomb_blocks(AtomCoulomb& c, const AtomFunctions& fun, const AtomChannel* channels, int lmax,
                         const double* const* density, double* const* j);

}  // namespace ostrel
