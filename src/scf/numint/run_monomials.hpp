#pragma once
// Cartesian monomials x^a y^b z^c at a run of points, for evaluating Gaussian shells as
// polynomials with loops over the points that vectorise.
#include "integrals/solid_harmonics.hpp"

namespace ostrel {

// Points evaluated together.
inline constexpr int kRunPoints = 64;

// Monomials are kept degree after degree, each degree in cartesian_index order; degree n
// begins at monomial_start(n), and monomial k of the run is m[k * kRunPoints + i].
inline constexpr int monomial_start(int n) { return n * (n + 1) * (n + 2) / 6; }

// Fills degrees from..to at n points with offsets d[axis][i] from the centre, given the
// degrees below `from`.
inline void run_monomials(const double* const d[3], int from, int to, int n, double* m) {
  constexpr int R = kRunPoints;
  for (int degree = from; degree <= to; ++degree) {
    double* cur = m + monomial_start(degree) * R;
    if (degree == 0) {
      for (int i = 0; i < n; ++i) cur[i] = 1.0;
      continue;
    }
    const double* prev = m + monomial_start(degree - 1) * R;
    int k = 0;
    for (int a = degree; a >= 0; --a)
      for (int c = 0; c <= degree - a; ++c, ++k) {
        // One power fewer along the first axis that has one.
        const int b = degree - a - c;
        const int axis = a > 0 ? 0 : b > 0 ? 1 : 2;
        const double* src =
            prev + cartesian_index(degree - 1, a - (axis == 0), b - (axis == 1), c - (axis == 2)) * R;
        const double* x = d[axis];
        double* out = cur + k * R;
        for (int i = 0; i < n; ++i) out[i] = x[i] * src[i];
      }
  }
}

// out[i] = sum_k c[k] m[k * kRunPoints + i]: a polynomial given on `count` monomials of one
// degree (m pointing at that degree) at the run's n points.
inline void run_polynomial(int count, const double* c, const double* m, int n, double* out) {
  for (int i = 0; i < n; ++i) out[i] = 0.0;
  for (int k = 0; k < count; ++k) {
    const double ck = c[k];
    if (ck == 0.0) continue;
    const double* mk = m + k * kRunPoints;
    for (int i = 0; i < n; ++i) out[i] += ck * mk[i];
  }
}

}  // namespace ostrel
