#pragma once
#include "scf/grid/grid_walk.hpp"

namespace ostrel {

// The function G that keeps the partition densities positive (scale 1e-7), and its slope.
double partition_density(double rho);
double partition_density_slope(double rho);

// Stockholder weight of a point of the listed atom `self`, from the free-atom densities
// rho[j] of the listed atoms: g_self^(4/3) / sum_j g_j^(4/3) with g = G(rho); 0 when the sum
// is not positive.
double partition_weight(const double* rho, int n_list, int self);

// Free-atom densities that partition space among the atoms: fit coefficients over the
// fitting functions. A walk over the fitting set finds their values in its blocks; a walk
// over another basis (the orbital density's gradient) names the fitting set in `fit`.
struct GridPartition {
  const double* atomic_d;
  const ShellSet* fit = nullptr;
};

// Weights (Lebedev x 4 pi r^2 x radial x partition) of grid k (GRID_FINAL or GRID_COARSE) in
// generation order, handed shell by shell to sink(context, weights, n) on the master after
// the nodes' shares are summed. Functions are screened with grid.cutoff[k]. All nodes call.
void grid_walk_weights(const Grid& grid, const GridSystem& system, const GridPartition& part,
                       int k, void (*sink)(void* context, const double* weights, int n),
                       void* context);

// The partition weight of one point of `atom`'s shell at radius r: the atom's share by the
// stockholder rule of the given partition (screened with `screen`). For tests and checks.
double grid_point_partition(const GridSystem& system, const GridScreen& screen,
                            const GridPartition& part, int atom, double r, const double p[3]);

}  // namespace ostrel
