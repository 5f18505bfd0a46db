#include "integrals/coulomb_hermite.hpp"

#include <cmath>

#include "model/units.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"

namespace ostrel {
namespace {

struct TripleTable {
  HermiteTriple t[hermite_count(kCoulombMaxOrder)];
  TripleTable() {
    for (int n = 0; n <= kCoulombMaxOrder; ++n)
      for (int t = n; t >= 0; --t)
        for (int u = n - t; u >= 0; --u) {
          const int v = n - t - u;
          this->t[hermite_index(t, u, v)] = {t, u, v};
        }
  }
};

// Adds factor x the Hermite expansion of one Cartesian pair (powers pb on B, pa on A).
void add_cartesian(const HermiteTables& e, const int* pb, const int* pa, double factor, int nh, double* out) {
  const double* ex = e.e[0][pb[0]][pa[0]];
  const double* ey = e.e[1][pb[1]][pa[1]];
  const double* ez = e.e[2][pb[2]][pa[2]];
  const int nt = pb[0] + pa[0], nu = pb[1] + pa[1], nv = pb[2] + pa[2];
  for (int t = 0; t <= nt; ++t) {
    const double ft = factor * ex[t];
    if (ft == 0.0) continue;
    for (int u = 0; u <= nu; ++u) {
      const double fu = ft * ey[u];
      if (fu == 0.0) continue;
      for (int v = 0; v <= nv; ++v) {
        const int h = hermite_index(t, u, v);
        if (h < nh) out[h] += fu * ez[v];
      }
    }
  }
}

// Calls body(pb, pa, coefficient, out_row) for every Cartesian term pair of the spherical pair block.
template <class Body>
void for_each_term_pair(int lb, int la, int nh, double* out, Body&& body) {
  const int nsa = shell_size(la), nsb = shell_size(lb);
  for (int i = 0; i < nsb; ++i)
    for (int j = 0; j < nsa; ++j) {
      double* row = out + static_cast<long>(i * nsa + j) * nh;
      for (int h = 0; h < nh; ++h) row[h] = 0.0;
      for (const SolidHarmonicTerm& tb : solid_harmonic_terms(lb, i)) {
        const CartesianPowers qb = cartesian_powers(lb, tb.cartesian);
        const int pb[3] = {qb.a, qb.b, qb.c};
        for (const SolidHarmonicTerm& ta : solid_harmonic_terms(la, j)) {
          const CartesianPowers qa = cartesian_powers(la, ta.cartesian);
          const int pa[3] = {qa.a, qa.b, qa.c};
          body(pb, pa, tb.coefficient * ta.coefficient, row);
        }
      }
    }
}

}  // namespace

HermiteTriple hermite_triple(int index) {
  static const TripleTable table;
  return table.t[index];
}

void pair_hermite(const HermiteTables& e, int lb, int la, double* out) {
  const int nh = hermite_count(lb + la);
  for_each_term_pair(lb, la, nh, out, [&](const int* pb, const int* pa, double c, double* row) {
    add_cartesian(e, pb, pa, c, nh, row);
  });
}

void pair_hermite_derivative(const HermiteTables& e, const GaussianPair& g, int centre, int k, int lb, int la,
                             double* out) {
  const int nh = hermite_count(lb + la + 1);
  const double two_exp = 2.0 * (centre == 0 ? g.b : g.a);
  for_each_term_pair(lb, la, nh, out, [&](const int* pb, const int* pa, double c, double* row) {
    int qb[3] = {pb[0], pb[1], pb[2]}, qa[3] = {pa[0], pa[1], pa[2]};
    int* q = centre == 0 ? qb : qa;
    const int power = q[k];
    // d/dX of (x - X)^n exp(-a (x - X)^2) = 2a (x - X)^(n+1) - n (x - X)^(n-1)
    ++q[k];
    add_cartesian(e, qb, qa, two_exp * c, nh, row);
    if (power > 0) {
      q[k] -= 2;
      add_cartesian(e, qb, qa, -power * c, nh, row);
    }
  });
}

void single_hermite(double c, int l, double* out) {
  // x^i exp(-c x^2) = sum_t E[i][t] Lambda_t: E[i+1][t] = E[i][t-1] / (2c) + (t+1) E[i][t+1].
  double e[kPairMaxL + 2][kPairMaxL + 2] = {};
  if (l > kPairMaxL) fatal_error("\n %d: fitting function of L = %d\n", node_id, l);
  e[0][0] = 1.0;
  const double half = 0.5 / c;
  for (int i = 0; i < l; ++i)
    for (int t = 0; t <= i + 1; ++t) {
      double v = 0.0;
      if (t > 0) v += half * e[i][t - 1];
      if (t + 1 <= i) v += (t + 1) * e[i][t + 1];
      e[i + 1][t] = v;
    }
  const int nh = hermite_count(l);
  for (int s = 0; s < shell_size(l); ++s) {
    double* row = out + static_cast<long>(s) * nh;
    for (int h = 0; h < nh; ++h) row[h] = 0.0;
    for (const SolidHarmonicTerm& term : solid_harmonic_terms(l, s)) {
      const CartesianPowers q = cartesian_powers(l, term.cartesian);
      for (int t = q.a % 2; t <= q.a; t += 2)
        for (int u = q.b % 2; u <= q.b; u += 2)
          for (int v = q.c % 2; v <= q.c; v += 2)
            row[hermite_index(t, u, v)] += term.coefficient * e[q.a][t] * e[q.b][u] * e[q.c][v];
    }
  }
}

void interaction_integrals(Interaction kind, double p, const double* P, double q, const double* Q, double scale,
                           int l, HermiteIntegrals& r) {
  if (l > kCoulombMaxOrder) fatal_error("\n %d: Hermite order %d out of range\n", node_id, l);
  const double pq[3] = {P[0] - Q[0], P[1] - Q[1], P[2] - Q[2]};
  const double s = p + q;
  const double mu = p * q / s;
  hermite_clear(l, r);
  if (kind == Interaction::coulomb) {
    // 2 pi^(5/2)
    hermite_coulomb_add(mu, pq, scale * 34.986836655249725 / (p * q * std::sqrt(s)), r);
    return;
  }
  // Derivatives of exp(-mu X^2) in X: g[n+1] = -2 mu (X g[n] + n g[n-1]).
  double g[3][kHermiteRDim];
  for (int k = 0; k < 3; ++k) {
    g[k][0] = std::exp(-mu * pq[k] * pq[k]);
    if (l > 0) g[k][1] = -2.0 * mu * pq[k] * g[k][0];
    for (int n = 1; n < l; ++n) g[k][n + 1] = -2.0 * mu * (pq[k] * g[k][n] + n * g[k][n - 1]);
  }
  const double pre = scale * kPiToThreeHalves / (s * std::sqrt(s));
  for (int t = 0; t <= l; ++t)
    for (int u = 0; u <= l - t; ++u)
      for (int v = 0; v <= l - t - u; ++v) r.r[t][u][v] = pre * g[0][t] * g[1][u] * g[2][v];
}

void interaction_table(const HermiteIntegrals& r, int lb, int lk, int shift, double* m) {
  const int nb = hermite_count(lb), nk = hermite_count(lk);
  const int dt = shift == 0, du = shift == 1, dv = shift == 2;
  for (int hb = 0; hb < nb; ++hb) {
    const HermiteTriple b = hermite_triple(hb);
    double* row = m + static_cast<long>(hb) * nk;
    for (int hk = 0; hk < nk; ++hk) {
      const HermiteTriple k = hermite_triple(hk);
      const double v = r.r[b.t + k.t + dt][b.u + k.u + du][b.v + k.v + dv];
      row[hk] = ((k.t + k.u + k.v) & 1) ? -v : v;
    }
  }
}

}  // namespace ostrel
