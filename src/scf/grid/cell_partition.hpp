#pragma once
#include <cstdint>

namespace ostrel {

// Becke's fuzzy cells (J. Chem. Phys. 88, 2547 (1988)): atom B's cell function is
// P_B = prod over C != B of s(nu_BC), with mu_BC = (|p - R_B| - |p - R_C|) / |R_B - R_C|,
// the size adjustment nu = mu + a_BC (1 - mu^2) from Bragg-Slater radii, and s three
// iterations of 1.5 x - 0.5 x^3 mapped to [0, 1]. An atom's share of a point is
// P_atom / sum_B P_B. Unlike a density-based share it vanishes at every other nucleus, so
// the integrand of an atomic grid is smooth where its spheres cross other atoms.
// s is taken as 0 or 1 where |nu| >= 0.95 (where it is within 3e-10 of them): most cells
// then end at the first atom that shields them, and the rest need no work.
struct CellPartition {
  int n_atoms;
  const double* xyz;         // 3n, bohr
  double* inverse_distance;  // n x n, 1 / |R_B - R_C| (0 on the diagonal)
  double* adjust;            // n x n, a_BC
  double* work;              // per point: distances, cell functions, factors, surviving cells
};

// Tables for n atoms with atomic numbers z (0: a ghost centre); from the pool, released with
// cell_partition_release in reverse order of other pool blocks.
CellPartition cell_partition(int n_atoms, const double* xyz, const int* z);
void cell_partition_release(CellPartition& cells);

// Share of point p held by `atom`. With dlnw (3 per atom), also d ln(share) / dR_C for every
// atom C when the point moves with `atom` (which then holds minus the others' sum); dlnw is
// left untouched when the share is 0.
double cell_weight(const CellPartition& cells, const double p[3], int atom, double* dlnw = nullptr);

}  // namespace ostrel
