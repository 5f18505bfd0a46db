#pragma once
// The finite-difference results assembled from the point records: the symmetrised Hessian,
// the derivatives of dipole and polarizability, and the check of the analytic gradient
// against energy differences.
#include "geometry/hessian/displaced_points.hpp"

namespace ostrel {

// Packed Hessian (n3 (n3 + 1) / 2) from gradient rows g1 (forward) and g2 (backward, mode 2)
// about g0, symmetrised: forward [(g1_ij - g0_j) + (g1_ji - g0_i)] / (2 dx), central
// [(g1_ij - g2_ij) + (g1_ji - g2_ji)] / (4 dx).
void difference_hessian(int n3, int mode, double dx, const double* g0, const double* g1, const double* g2,
                        double* packed);

// d(values)/dx_i for `width` values per point: (v1 - v0)/dx or (v1 - v2)/(2 dx), row per
// coordinate.
void difference_derivatives(int n3, int width, int mode, double dx, const double* v0, const double* v1,
                            const double* v2, double* out);

// Master: prints the gradient check, stores "Hessian", "DipoleX", "PolarizX" and the
// reference "Energy", "Gradient", "Dipole" and "Polariz", deletes the "num_" records where
// the store allows it, and prints the "eng>" group.
void assemble_second_derivatives(const DifferencePlan& plan);

// Master: deletes the "num_" records that lie on top of the store, last created first.
void free_difference_records();

}  // namespace ostrel
