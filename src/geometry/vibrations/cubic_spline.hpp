#pragma once
// Cubic spline through the points of a one-dimensional curve.

namespace ostrel {

// Second derivatives at the n knots (x strictly increasing, n >= 2) of the not-a-knot cubic
// spline: the third derivative is continuous at the second and the last but one knot, so
// any cubic through the points, a harmonic potential among them, is reproduced exactly (zero
// end curvatures would bend a scanned parabola towards its ends). Three points give their
// parabola, two their line. `m` and `work` have n elements.
void spline_curvatures(int n, const double* x, const double* y, double* m, double* work);

// The spline at t; beyond the end knots it continues along the end tangents, so an
// extrapolated potential never turns back.
double spline_value(int n, const double* x, const double* y, const double* m, double t);

}  // namespace ostrel
