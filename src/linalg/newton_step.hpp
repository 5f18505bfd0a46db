#pragma once

namespace ostrel {

// Level-shifted Newton step in an eigenbasis: x_i = -g_i / (d_i + mu) with
// mu >= lo = max(0, -1.000000000001 min d); when |x(lo)| exceeds the radius r, mu is found
// by bisection so that |x| <= r. Returns mu; *predicted = 0.5 (g.x - mu x.x).
double level_shifted_step(int n, const double* g, const double* d, double r, double* x,
                          double* predicted);

}  // namespace ostrel
