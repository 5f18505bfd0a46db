#pragma once
#include "scf/grid/grid_walk.hpp"
#include "scf/xc/xc_functional.hpp"

namespace ostrel {

// The fitted densities the construction integrates: alpha and beta fit coefficients (beta
// ignored when closed).
struct GridDensity {
  const double* da;
  const double* db;
  int closed;
};

// Adaptive construction: sets the orientation of every atomic grid and, shell by shell, the
// smallest order of the sequence at which neither the shell's exchange-correlation energy nor
// its electron count changes by more than accuracy[fine ? 0 : 1] (final orders) or
// accuracy[1] (coarse orders); then the point totals. system.cells must be set. All nodes call it and end with the same orders.
void grid_build_orders(Grid& grid, const GridSystem& system, const GridDensity& density,
                       const XcFunctional& functional, int fine);

}  // namespace ostrel
