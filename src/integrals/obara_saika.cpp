#include "integrals/obara_saika.hpp"

#include <cmath>

#include "integrals/boys.hpp"
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

void hermite_tables(const GaussianPair& g, int imax, int jmax, HermiteTables& h) {
  if (imax >= kHermitePowers || jmax >= kHermitePowers || imax < 0 || jmax < 0)
    fatal_error("\n %d: Hermite table powers %d,%d out of range\n", node_id, imax, jmax);
  h.imax = imax;
  h.jmax = jmax;
  const double half = 0.5 / g.p;
  for (int k = 0; k < 3; ++k) {
    auto& e = h.e[k];
    const double xpb = g.P[k] - g.B[k];
    const double xpa = g.P[k] - g.A[k];
    e[0][0][0] = 1.0;
    // Step along i (power on B) at j = 0, then along j for every i.
    for (int i = 0; i < imax; ++i)
      for (int t = 0; t <= i + 1; ++t) {
        double v = 0.0;
        if (t > 0) v += half * e[i][0][t - 1];
        if (t <= i) v += xpb * e[i][0][t];
        if (t + 1 <= i) v += (t + 1) * e[i][0][t + 1];
        e[i + 1][0][t] = v;
      }
    for (int i = 0; i <= imax; ++i)
      for (int j = 0; j < jmax; ++j)
        for (int t = 0; t <= i + j + 1; ++t) {
          double v = 0.0;
          if (t > 0) v += half * e[i][j][t - 1];
          if (t <= i + j) v += xpa * e[i][j][t];
          if (t + 1 <= i + j) v += (t + 1) * e[i][j][t + 1];
          e[i][j + 1][t] = v;
        }
  }
}

void hermite_clear(int l, HermiteIntegrals& out) {
  if (l < 0 || l > hermite_max_order()) fatal_error("\n %d: Hermite order %d out of range\n", node_id, l);
  out.l = l;
  for (int t = 0; t <= l; ++t)
    for (int u = 0; u <= l - t; ++u)
      for (int v = 0; v <= l - t - u; ++v) out.r[t][u][v] = 0.0;
}

void hermite_coulomb_add(double rho, const double* pc, double scale, HermiteIntegrals& out) {
  const int l = out.l;
  double f[kHermiteRDim];
  const double t2 = rho * (pc[0] * pc[0] + pc[1] * pc[1] + pc[2] * pc[2]);
  boys_function_scaled(l, t2, 1.0, -2.0 * rho, f);
  // Downward over the auxiliary order n: level n holds R^n_tuv for t + u + v <= l - n.
  static double level[2][kHermiteRDim][kHermiteRDim][kHermiteRDim];
  int cur = 0;
  level[cur][0][0][0] = f[l];
  for (int n = l - 1; n >= 0; --n) {
    const int nxt = cur ^ 1;
    auto& up = level[cur];
    auto& r = level[nxt];
    const int top = l - n;
    r[0][0][0] = f[n];
    for (int t = 0; t <= top; ++t)
      for (int u = 0; u <= top - t; ++u)
        for (int v = 0; v <= top - t - u; ++v) {
          if (t + u + v == 0) continue;
          double x;
          if (t > 0) {
            x = pc[0] * up[t - 1][u][v];
            if (t > 1) x += (t - 1) * up[t - 2][u][v];
          } else if (u > 0) {
            x = pc[1] * up[t][u - 1][v];
            if (u > 1) x += (u - 1) * up[t][u - 2][v];
          } else {
            x = pc[2] * up[t][u][v - 1];
            if (v > 1) x += (v - 1) * up[t][u][v - 2];
          }
          r[t][u][v] = x;
        }
    cur = nxt;
  }
  const auto& r0 = level[cur];
  for (int t = 0; t <= l; ++t)
    for (int u = 0; u <= l - t; ++u)
      for (int v = 0; v <= l - t - u; ++v) out.r[t][u][v] += scale * r0[t][u][v];
}

double hermite_contract(const HermiteTables& h, const HermiteIntegrals& r, const int* pb, const int* pa,
                        int dt, int du, int dv) {
  const double* ex = h.e[0][pb[0]][pa[0]];
  const double* ey = h.e[1][pb[1]][pa[1]];
  const double* ez = h.e[2][pb[2]][pa[2]];
  const int nt = pb[0] + pa[0], nu = pb[1] + pa[1], nv = pb[2] + pa[2];
  double sum = 0.0;
  for (int t = 0; t <= nt; ++t) {
    double st = 0.0;
    for (int u = 0; u <= nu; ++u) {
      double su = 0.0;
      for (int v = 0; v <= nv; ++v) su += ez[v] * r.r[t + dt][u + du][v + dv];
      st += ey[u] * su;
    }
    sum += ex[t] * st;
  }
  return sum;
}

}  // namespace ostrel
