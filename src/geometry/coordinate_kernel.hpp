#pragma once
// Geometry kernel: values, Wilson B rows and second derivatives of internal coordinates.
//
// Types (model/internal_coordinate.hpp): 1 stretch i-j; 2 bend i-j-k (vertex j, radians);
// 3 torsion i-j-k-l in (-pi, pi]; 4 and 5 the two components of a linear bend.
//
// Linear bend (i, j, k, l) = (d, A, m, n): the bend at the chain atom m whose arms point to
// the chain end A and to the next chain atom n. With u, v the unit vectors from m to A and
// from m to n, s = u + v vanishes on a straight chain and its length is about the
// deviation from 180 degrees. The two components are s . e1 and s . e2, where t is the unit
// chain axis from A to n, e1 the unit part of (d - A) perpendicular to t (the direction in
// the plane of the reference neighbour d) and e2 = t x e1. An isolated linear molecule has
// no reference neighbour (d = A): e1 then comes from the cartesian axis least parallel to
// t, which is held fixed when the coordinate is differentiated. This is the two-component
// linear bend of Bakken and Helgaker (J. Chem. Phys. 117, 9160 (2002)) written with
// projections instead of angles to a dummy direction, so that it stays smooth through 180.
//
// B rows hold 12 derivatives: x, y, z of the atoms in slots i, j, k, l (unused slots and a
// repeated atom after its first slot hold 0). Second derivatives are the 78-element packed
// lower triangle of the 12 x 12 block.
#include "model/internal_coordinate.hpp"

namespace ostrel {

inline constexpr int B_ROW = 12;
inline constexpr int B_SECOND = 78;

// Value of c at the cartesian coordinates xyz (bohr, atom-major); b (12) and d2 (78) are
// filled when not null.
double coordinate_value(const InternalCoordinate& c, const double* xyz, double* b, double* d2);

// Number of coordinates before the terminating type-0 record.
int coordinate_count(const InternalCoordinate* set);

// Values q of `count` coordinates; with b not null also their B rows (12 per coordinate).
void internal_values(int count, const InternalCoordinate* set, const double* xyz, double* q,
                     double* b);

// dq = B dx (cartesian vector to internal).
void apply_b_matrix(int count, const InternalCoordinate* set, const double* b, const double* dx,
                    double* dq);
// dx = B^T dq (internal vector to cartesian); dx has 3N elements and is overwritten.
void apply_b_transpose(int count, const InternalCoordinate* set, const double* b,
                       const double* dq, double* dx, int n_atoms);

// Brings torsion differences into (-pi, pi].
void wrap_differences(int count, const InternalCoordinate* set, double* dq);

// Index of the coordinate (type, i, j, k, l) in the set of *count records (followed by a
// type-0 record), appended when absent while there is room below capacity (fatal "MaxK=%d"
// otherwise). Stretches match in either atom order, bends and torsions also reversed,
// linear bends only as given. A type of 0 or above 5 in absolute value gives -1.
int find_or_add_coordinate(InternalCoordinate* set, int* count, int capacity, int type, int i,
                           int j, int k, int l);

// Atoms used by a type (2 for a stretch, 3 for a bend, 4 otherwise; 0 for unknown types).
int coordinate_atoms(int type);

}  // namespace ostrel
