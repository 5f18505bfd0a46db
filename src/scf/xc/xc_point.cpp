#include "scf/xc/xc_point.hpp"

#include <array>

#include "scf/xc/xc_correlation.hpp"
#include "scf/xc/xc_exchange.hpp"
#include "scf/xc/xc_jet.hpp"
#include "scf/xc/xc_regularise.hpp"

namespace ostrel {
namespace {

using xc::Jet;

// Regularised density G(rho) and gradient scale G'(rho) of one spin as jets in the raw
// variables `first`..`first`+3 of an N-variable set.
template <int N, int K>
struct RegularSpin {
  Jet<N, K> rho, scale;
  std::array<Jet<N, K>, 3> grad;
};

template <int N, int K>
RegularSpin<N, K> regular_spin(const double u[4], int first, double small) {
  double g[5];
  density_regularise(u[0], small, g);
  RegularSpin<N, K> s;
  const Jet<N, K> rho = Jet<N, K>::variable(first, u[0]);
  s.rho = xc::chain(rho, g);
  s.scale = xc::chain(rho, g + 1);
  for (int c = 0; c < 3; ++c) s.grad[c] = Jet<N, K>::variable(first + 1 + c, u[1 + c]);
  return s;
}

template <int N, int K>
Jet<N, K> dot(const std::array<Jet<N, K>, 3>& a, const std::array<Jet<N, K>, 3>& b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// Adds the derivatives of one spin's 4-variable jet into the same-spin blocks.
template <int K>
void add_spin(const Jet<4, K>& e, int s, XcDerivatives& d) {
  if constexpr (K >= 1)
    for (int i = 0; i < 4; ++i) d.d1[s][i] += e.d1[i];
  if constexpr (K >= 2)
    for (int i = 0; i < 10; ++i) d.d2[s][i] += e.d2[i];
  if constexpr (K >= 3)
    for (int i = 0; i < 20; ++i) d.d3[s][i] += e.d3[i];
}

// Adds an 8-variable jet (alpha variables 0-3, beta 4-7) into all blocks.
template <int K>
void add_pair(const Jet<8, K>& e, XcDerivatives& d) {
  using xc::pair_index;
  using xc::triple_index;
  if constexpr (K >= 1)
    for (int i = 0; i < 4; ++i) {
      d.d1[0][i] += e.d1[i];
      d.d1[1][i] += e.d1[4 + i];
    }
  if constexpr (K >= 2)
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) {
        if (j <= i) {
          d.d2[0][pair_index(i, j)] += e.d2[pair_index(i, j)];
          d.d2[1][pair_index(i, j)] += e.d2[pair_index(4 + i, 4 + j)];
        }
        d.d2ab[4 * i + j] += e.d2[pair_index(4 + j, i)];
      }
  if constexpr (K >= 3)
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j <= i; ++j) {
        for (int k = 0; k <= j; ++k) {
          d.d3[0][triple_index(i, j, k)] += e.d3[triple_index(i, j, k)];
          d.d3[1][triple_index(i, j, k)] += e.d3[triple_index(4 + i, 4 + j, 4 + k)];
        }
        for (int k = 0; k < 4; ++k) {
          d.d3aab[4 * pair_index(i, j) + k] += e.d3[triple_index(4 + k, i, j)];
          d.d3abb[10 * k + pair_index(i, j)] += e.d3[triple_index(4 + i, 4 + j, k)];
        }
      }
}

// F(u) = E(u, u): the energy density of a closed shell whose two spins move together, as a
// jet in one spin's variables, with the correlation's outer jet in (rho, sigma) alone rather
// than in all five reduced variables (a fraction of the cost at second order). By symmetry each
// spin's first derivatives are half of F's, and half of F's second derivatives are the sum of
// the same-spin and opposite-spin blocks.
template <int K>
Jet<4, K> paired(const XcFunctional& f, const double u[4], double* ex, double* ec, double small) {
  Jet<4, K> total(0.0);
  *ex = 0;
  *ec = 0;
  const RegularSpin<4, K> r = regular_spin<4, K>(u, 0, small);
  const std::array<Jet<4, K>, 2> inner = {r.rho, r.scale * r.scale * dot(r.grad, r.grad)};
  if (f.x_code >= 1 && f.x_code <= 7) {
    const Jet<2, K> e = xc::exchange_spin<K>(f.x_code, f.p, Jet<2, K>::variable(0, inner[0].v),
                                             Jet<2, K>::variable(1, inner[1].v));
    Jet<4, K> raw = xc::compose(e, inner);
    if (f.a_x != 1) raw *= f.a_x;
    *ex = 2 * raw.v;
    total += 2 * raw;
  }
  if (f.c_code >= 1 && f.c_code <= 9) {
    const Jet<2, K> rho = Jet<2, K>::variable(0, inner[0].v), sigma = Jet<2, K>::variable(1, inner[1].v);
    const xc::Reduced<2, K> y = {rho, rho, sigma, sigma, sigma};
    const Jet<4, K> raw = xc::compose(xc::correlation(f.c_code, f.p, y), inner);
    *ec = raw.v;
    total += raw;
  }
  return total;
}

template <int K>
void evaluate(const XcFunctional& f, const double* const spins[2], double* ex, double* ec,
              XcDerivatives* d, double small) {
  if constexpr (K <= 1) {
    if (spins[0] == spins[1]) {
      const Jet<4, K> e = paired<K>(f, spins[0], ex, ec, small);
      if constexpr (K >= 1)
        for (int s = 0; s < 2; ++s)
          for (int i = 0; i < 4; ++i) d->d1[s][i] += 0.5 * e.d1[i];
      return;
    }
  }
  *ex = 0;
  *ec = 0;
  if (f.x_code >= 1 && f.x_code <= 7) {
    for (int s = 0; s < 2; ++s) {
      const RegularSpin<4, K> r = regular_spin<4, K>(spins[s], 0, small);
      const std::array<Jet<4, K>, 2> inner = {r.rho, r.scale * r.scale * dot(r.grad, r.grad)};
      const Jet<2, K> e = xc::exchange_spin<K>(f.x_code, f.p, Jet<2, K>::variable(0, inner[0].v),
                                               Jet<2, K>::variable(1, inner[1].v));
      Jet<4, K> raw = xc::compose(e, inner);
      if (f.a_x != 1) raw *= f.a_x;
      *ex += raw.v;
      if constexpr (K >= 1) add_spin(raw, s, *d);
    }
  }
  if (f.c_code >= 1 && f.c_code <= 9) {
    const RegularSpin<8, K> a = regular_spin<8, K>(spins[0], 0, small);
    const RegularSpin<8, K> b = regular_spin<8, K>(spins[1], 4, small);
    const std::array<Jet<8, K>, 5> inner = {
        a.rho, b.rho, a.scale * a.scale * dot(a.grad, a.grad), a.scale * b.scale * dot(a.grad, b.grad),
        b.scale * b.scale * dot(b.grad, b.grad)};
    xc::Reduced<5, K> y;
    for (int v = 0; v < 5; ++v) y[v] = Jet<5, K>::variable(v, inner[v].v);
    const Jet<8, K> raw = xc::compose(xc::correlation(f.c_code, f.p, y), inner);
    *ec = raw.v;
    if constexpr (K >= 1) add_pair(raw, *d);
  }
}

void clear(XcDerivatives& d, int order) {
  for (auto& s : d.d1)
    for (double& v : s) v = 0;
  if (order < 2) return;
  for (auto& s : d.d2)
    for (double& v : s) v = 0;
  for (double& v : d.d2ab) v = 0;
  if (order < 3) return;
  for (auto& s : d.d3)
    for (double& v : s) v = 0;
  for (double& v : d.d3aab) v = 0;
  for (double& v : d.d3abb) v = 0;
}

}  // namespace

void xc_point(const XcFunctional& f, const double alpha[4], const double beta[4], double* ex,
              double* ec, XcDerivatives* derivatives, int order, double small) {
  const double* const spins[2] = {alpha, beta};
  if (order >= 1 && order <= 3) clear(*derivatives, order);
  switch (order) {
    case 1:
      return evaluate<1>(f, spins, ex, ec, derivatives, small);
    case 2:
      return evaluate<2>(f, spins, ex, ec, derivatives, small);
    case 3:
      return evaluate<3>(f, spins, ex, ec, derivatives, small);
    default:
      return evaluate<0>(f, spins, ex, ec, derivatives, small);
  }
}

void xc_point_singlet(const XcFunctional& f, const double u[4], double* ex, double* ec,
                      XcDerivatives* d, double small) {
  const Jet<4, 2> e = paired<2>(f, u, ex, ec, small);
  for (int s = 0; s < 2; ++s) {
    for (int i = 0; i < 4; ++i) d->d1[s][i] = 0.5 * e.d1[i];
    for (int i = 0; i < 10; ++i) d->d2[s][i] = 0.5 * e.d2[i];
  }
  for (double& v : d->d2ab) v = 0;
}

}  // namespace ostrel
