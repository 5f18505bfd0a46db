#pragma once
#include "integrals/one_electron_matrices.hpp"

namespace ostrel {

// Default of lambda_min: eigen-directions of the Coulomb metric below it are dropped.
inline constexpr double kFitMetricFloor = 1e-10;

// The metric step of the density fit (all nodes together, timer "Inversion of V-Matrix").
// Computes the moments of the fitting functions (charge, then x, y, z moments about the
// origin; 4 m floats) into `moments_record`, and the Coulomb metric V of `aux`, packed,
// with its rows shared out by atom modulo the node count. The master diagonalises V, drops
// the leading eigenvalues below lambda_min (printing " vmax=..., vmin/vmax=..., M=..."),
// and writes V^-1, V^-1/2 and V one after the other into `metric_record` (3 packed
// triangles). Records are created when absent. Returns the number of dropped directions
// on every node.
int fit_metric_inverse(const AtomSet& aux, double lambda_min, const char* metric_record,
                       const char* moments_record);

}  // namespace ostrel
