#pragma once
#include "scf/grid/grid_walk.hpp"

namespace ostrel {

// Weights (Lebedev x 4 pi r^2 x radial x cell share) of grid k (GRID_FINAL or GRID_COARSE)
// in generation order, handed shell by shell to sink(context, weights, n) on the master after
// the nodes' shares are summed. system.cells must be set. All nodes call.
void grid_walk_weights(const Grid& grid, const GridSystem& system, int k,
                       void (*sink)(void* context, const double* weights, int n), void* context);

}  // namespace ostrel
