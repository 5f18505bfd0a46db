#pragma once
#include "scf/grid/grid_record.hpp"
#include "scf/grid/grid_walk.hpp"
#include "scf/numint/xc_passes.hpp"
#include "scf/xc/xc_functional.hpp"

namespace ostrel {

// Nuclear derivative of the exchange-correlation energy. With `weight_derivative` the grid
// moves with the atoms: every atomic grid is carried rigidly by its atom (orientation and
// shell orders fixed) and the cell partition is differentiated, which gives the exact
// derivative of the grid energy. Without it the points stay where they are and only the
// functions move (the usual approximation; off by the grid's integration error).
struct XcGradientInput {
  const Grid* grid;
  int k;                    // GRID_FINAL or GRID_COARSE
  GridSystem system;        // atoms, the density basis and (needed here) the cells
  const XcFunctional* functional;
  const double* weights;    // stored point weights of grid k, or null to form them here
  bool weight_derivative;
};

// Orbital density: da, db packed density matrices of the spins over system.basis (db null
// for a closed shell, beta = alpha). This node's points only: adds its share of dE/dR to
// grad (3 per atom; may be null) and returns its share of Ex + Ec.
double xc_gradient_orbital_terms(const XcGradientInput& in, const double* da, const double* db,
                                 double* grad);

// Fitted density: da, db fit coefficients over system.basis (db null for a closed shell).
double xc_gradient_fitted_terms(const XcGradientInput& in, const double* da, const double* db,
                                double* grad);

}  // namespace ostrel
