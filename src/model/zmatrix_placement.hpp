#pragma once

namespace ostrel {

// Placement of a new atom D from reference atoms A, B, C (z-matrix input). r is the
// distance D-A. Angles in radians. Each routine returns false when the references do not
// define a position (collinear references, or distances with no real solution); D is then
// left untouched.

// Bond angle D-A-B = theta, dihedral D-A-B-C = phi.
bool place_distance_angle_dihedral(double r, double theta, double phi, const double* a,
                                   const double* b, const double* c, double* d);
// Bond angles D-A-B = theta1 and D-A-C = theta2 (D on the positive side of u x e).
bool place_distance_angle_angle(double r, double theta1, double theta2, const double* a,
                                const double* b, const double* c, double* d);
// Distance D-B = rb, dihedral D-A-B-C = phi.
bool place_distance_distance_dihedral(double r, double rb, double phi, const double* a,
                                      const double* b, const double* c, double* d);
// Distances D-B = rb and D-C = rc.
bool place_distance_distance_distance(double r, double rb, double rc, const double* a,
                                      const double* b, const double* c, double* d);

// Angle at A of a triangle with sides |AB| = ab, |AD| = r, |BD| = d (law of cosines); NaN
// when no triangle has these sides (a cosine beyond +-1 by more than rounding).
double triangle_angle(double ab, double r, double d);

// Internal values as the placement routines use them.
double zm_distance(const double* p, const double* q);
double zm_angle(const double* d, const double* a, const double* b);                      // D-A-B
double zm_dihedral(const double* d, const double* a, const double* b, const double* c);  // D-A-B-C

}  // namespace ostrel
