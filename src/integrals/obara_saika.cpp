#include "integrals/obara_saika.hpp"

#include <cmath>

#include "model/units.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"

namespace ostrel {

GaussianPair gaussian_pair(double a, const double* A, double b, const double* B) {
  GaussianPair g;
  g.a = a;
  g.b = b;
  g.p = a + b;
  double d2 = 0.0;
  for (int k = 0; k < 3; ++k) {
    g.A[k] = A[k];
    g.B[k] = B[k];
    g.P[k] = (a * A[k] + b * B[k]) / g.p;
    d2 += (A[k] - B[k]) * (A[k] - B[k]);
  }
  g.exponent = a * b / g.p * d2;
  g.gaussian = std::exp(-g.exponent);
  g.prefactor = kPiToThreeHalves * g.gaussian / (g.p * std::sqrt(g.p));
  return g;
}

void overlap_tables(const GaussianPair& g, int imax, int jmax, OverlapTables& t) {
  if (imax >= kOsPowers || jmax >= kOsPowers || imax < 0 || jmax < 0)
    fatal_error("\n %d: overlap table powers %d,%d out of range\n", node_id, imax, jmax);
  t.imax = imax;
  t.jmax = jmax;
  const double h = 0.5 / g.p;
  for (int k = 0; k < 3; ++k) {
    double(*s)[kOsPowers] = t.s[k];
    const double xpb = g.P[k] - g.B[k];
    const double xpa = g.P[k] - g.A[k];
    s[0][0] = k == 2 ? g.prefactor : 1.0;
    if (imax > 0) s[1][0] = xpb * s[0][0];
    for (int i = 1; i < imax; ++i) s[i + 1][0] = xpb * s[i][0] + i * h * s[i - 1][0];
    for (int j = 0; j < jmax; ++j)
      for (int i = 0; i <= imax; ++i) {
        double v = xpa * s[i][j];
        if (i > 0) v += i * h * s[i - 1][j];
        if (j > 0) v += j * h * s[i][j - 1];
        s[i][j + 1] = v;
      }
  }
}

}  // namespace ostrel
