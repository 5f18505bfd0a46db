#pragma once

namespace ostrel {

// Lebedev rules on the unit sphere, compiled in (scf/generated/lebedev_tables.cpp).
// Rules are numbered k = 0..lebedev_rule_count()-1 by growing size; weights sum to 1.
int lebedev_rule_count();
int lebedev_rule_points(int k);  // number of points of rule k
int lebedev_rule_degree(int k);  // highest polynomial degree integrated exactly
// Index of the rule with n points, or -1 when there is none.
int lebedev_rule_index(int n);

// Fills x, y, z and w (lebedev_rule_points(k) entries each) with the points of rule k in a
// fixed order: orbits as tabulated, each orbit's points in a fixed sign and axis order.
void lebedev_rule_fill(int k, double* x, double* y, double* z, double* w);

// The n-point rule as interleaved (x, y, z) triples and weights; returns n, or 0 (and
// writes nothing) when no rule has n points.
int lebedev_points(int n, double* points, double* weights);

}  // namespace ostrel
