#pragma once
// The coordinate set, weights and independent variables of one internal-coordinate step.
#include "geometry/internal_frame.hpp"
#include "model/internal_coordinate.hpp"

namespace ostrel {

inline constexpr double kFixedWeight = 100.0;

// User coordinates (nk > 0) or generated ones, with every fixed coordinate located or
// appended (fix_index receives their positions). set needs COORDINATES_PER_ATOM x N
// records. Prints the set size; returns the number of coordinates.
int build_coordinate_set(int n_atoms, const int* z, const double* xyz, int nk,
                         const InternalCoordinate* user, int nfix, const InternalCoordinate* kfix,
                         InternalCoordinate* set, int* fix_index);

// Class weights (stretch, bend, others), kFixedWeight for fixed coordinates.
void coordinate_weights(int count, const InternalCoordinate* set, const double* wr, int nfix,
                        const int* fix_index, double* w);

// Basis of the internal motions, vector-major 3N-vectors v with v^T B^T W B v = 1, the last
// nfix carrying the constraints; returns their number. Dependent constraints stop the run.
int independent_variables(const InternalFrame& f, int nfix, const int* fix_index, double* v);

// Coefficients c along the constraint columns vc (nfix vectors) that move the fixed
// coordinates by -d to first order; dependent constraints stop the run.
void constraint_correction(const InternalFrame& f, int nfix, const int* fix_index, const double* vc,
                           const double* d, double* c);

// Trust-region step over n modes (cartesian form modes, n vectors of 3N) whose size is the
// largest internal displacement: s_i = -g_i / (h_i + lambda). Returns lambda (0 for the
// Newton step) and the size in *size.
double internal_trust_step(const InternalFrame& f, int n, const double* modes, const double* g,
                           const double* h, double trust, double* s, double* size);

}  // namespace ostrel
