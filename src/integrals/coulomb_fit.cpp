#include "integrals/coulomb_fit.hpp"

#include <cmath>

#include "integrals/coulomb_blocks.hpp"
#include "integrals/coulomb_pairs.hpp"
#include "model/units.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

inline double dot(int n, const double* x, const double* y) {
  double s = 0.0;
  for (int i = 0; i < n; ++i) s += x[i] * y[i];
  return s;
}

// w[d][x] += table row x . (fitted vector d of exponent ec on atom ic), for each set d.
void add_contractions(int nd, int nh, int nk, const double* table, const FitVectors& fv, int ic, int ec,
                      double* w) {
  for (int d = 0; d < nd; ++d) {
    const double* v = fv.vector(d, ic, ec);
    double* wd = w + d * nh;
    for (int x = 0; x < nh; ++x) wd[x] += dot(nk, table + static_cast<long>(x) * nk, v);
  }
}

}  // namespace

int largest_l(const AtomSet& set) {
  int l = 0;
  for (int i = 0; i < set.natom; ++i) l = std::max(l, atom_lmax(set.atoms[i]));
  return l;
}

void fit_projection(Interaction kind, const AtomSet& orb, const AtomSet& aux, const FitPairs& pairs, double epsilon,
                    int nd, const double* densities, double* gamma, double* counts, std::int64_t atom_stride) {
  const double x_max = pair_screening_limit(epsilon);
  const long n2 = packed_size(orb.first_function[orb.natom]);
  const int m = aux.first_function[aux.natom];
  const int lo = 2 * largest_l(orb), lk = largest_l(aux);
  PairWork pw(orb, false);
  FitVectors fv(aux, 0);
  PoolArray<double> h(static_cast<long>(nd) * hermite_count(lo));
  PoolArray<double> tab(static_cast<long>(hermite_count(lo)) * hermite_count(lk));
  PoolArray<double> w(hermite_count(lk));
  static HermiteIntegrals r;
  for_each_fit_pair(pairs, orb.natom, [&](int ia, int ib) {
    double* gamma_a = gamma + ia * atom_stride;
    for_each_primitive_pair(orb, ia, ib, pw, x_max, [&](const GaussianPair& g) {
      const int l = pw.order(), nh = hermite_count(l);
      for (int d = 0; d < nd; ++d) pw.density(densities + d * n2, h.data() + d * nh);
      if (counts && kind == Interaction::overlap)
        for (int d = 0; d < nd; ++d) counts[d] += h[d * nh] * kPiToThreeHalves / (g.p * std::sqrt(g.p)) * g.gaussian;
      for (int ic = 0; ic < aux.natom; ++ic)
        for_each_fit_exponent(kind, g, l, aux, fv, ic, r, tab.data(), [&](int ec, int nk) {
          for (int d = 0; d < nd; ++d) {
            const double* hd = h.data() + d * nh;
            for (int k = 0; k < nk; ++k) w[k] = 0.0;
            for (int x = 0; x < nh; ++x) {
              if (hd[x] == 0.0) continue;
              const double* row = tab.data() + static_cast<long>(x) * nk;
              for (int k = 0; k < nk; ++k) w[k] += hd[x] * row[k];
            }
            fv.project(ic, ec, w.data(), gamma_a + static_cast<long>(d) * m + aux.first_function[ic]);
          }
        });
    });
  });
}

void fit_assembly(Interaction kind, const AtomSet& orb, const AtomSet& aux, const FitPairs& pairs, double epsilon,
                  int nd, const double* coefficients, double* matrices, const double* multipliers) {
  const double x_max = pair_screening_limit(epsilon);
  const long n2 = packed_size(orb.first_function[orb.natom]);
  const int lo = 2 * largest_l(orb), lk = largest_l(aux);
  PairWork pw(orb, false);
  FitVectors fv(aux, nd);
  fv.load(coefficients, nd);
  PoolArray<double> w(static_cast<long>(nd) * hermite_count(lo));
  PoolArray<double> tab(static_cast<long>(hermite_count(lo)) * hermite_count(lk));
  static HermiteIntegrals r;
  for_each_fit_pair(pairs, orb.natom, [&](int ia, int ib) {
    for_each_primitive_pair(orb, ia, ib, pw, x_max, [&](const GaussianPair& g) {
      const int l = pw.order(), nh = hermite_count(l);
      for (long x = 0; x < static_cast<long>(nd) * nh; ++x) w[x] = 0.0;
      for (int ic = 0; ic < aux.natom; ++ic)
        for_each_fit_exponent(kind, g, l, aux, fv, ic, r, tab.data(), [&](int ec, int nk) {
          add_contractions(nd, nh, nk, tab.data(), fv, ic, ec, w.data());
        });
      if (multipliers)
        for (int d = 0; d < nd; ++d) w[d * nh] += multipliers[d] * kPiToThreeHalves / (g.p * std::sqrt(g.p)) * g.gaussian;
      for (int d = 0; d < nd; ++d) pw.scatter(w.data() + d * nh, matrices + d * n2);
    });
  });
}

void fit_three_centre_gradient(Interaction kind, const AtomSet& orb, const AtomSet& aux, const FitPairs& pairs,
                               double epsilon, int nd, const double* densities, const double* coefficients,
                               double* grad, const double* multipliers) {
  const double x_max = pair_screening_limit(epsilon);
  const long n2 = packed_size(orb.first_function[orb.natom]);
  const int lo = 2 * largest_l(orb) + 1, lk = largest_l(aux);
  const int nmax = hermite_count(lo);
  PairWork pw(orb, true);
  FitVectors fv(aux, nd);
  fv.load(coefficients, nd);
  PoolArray<double> h(nmax), hb(3L * nd * nmax), ha(3L * nd * nmax), w(static_cast<long>(nd) * nmax);
  PoolArray<double> tab(static_cast<long>(nmax) * hermite_count(lk));
  static HermiteIntegrals r;
  for_each_fit_pair(pairs, orb.natom, [&](int ia, int ib) {
    for_each_primitive_pair(orb, ia, ib, pw, x_max, [&](const GaussianPair& g) {
      const int l = pw.order() + 1, nh = hermite_count(l);
      for (int d = 0; d < nd; ++d)
        pw.density(densities + d * n2, h.data(), hb.data() + 3L * d * nh, ha.data() + 3L * d * nh);
      for (int ic = 0; ic < aux.natom; ++ic) {
        for (long x = 0; x < static_cast<long>(nd) * nh; ++x) w[x] = 0.0;
        const bool any = for_each_fit_exponent(kind, g, l, aux, fv, ic, r, tab.data(), [&](int ec, int nk) {
          add_contractions(nd, nh, nk, tab.data(), fv, ic, ec, w.data());
        });
        if (!any) continue;
        for (int d = 0; d < nd; ++d)
          for (int k = 0; k < 3; ++k) {
            const double gb = dot(nh, hb.data() + (3L * d + k) * nh, w.data() + d * nh);
            const double ga = dot(nh, ha.data() + (3L * d + k) * nh, w.data() + d * nh);
            grad[3 * ib + k] += gb;
            grad[3 * ia + k] += ga;
            grad[3 * ic + k] -= ga + gb;  // the integrals depend on differences of the centres only
          }
      }
      if (multipliers)
        for (int d = 0; d < nd; ++d) {
          const double s0 = multipliers[d] * kPiToThreeHalves / (g.p * std::sqrt(g.p)) * g.gaussian;
          for (int k = 0; k < 3; ++k) {
            grad[3 * ib + k] += s0 * hb[(3L * d + k) * nh];
            grad[3 * ia + k] += s0 * ha[(3L * d + k) * nh];
          }
        }
    });
  });
}

void fit_metric(Interaction kind, const AtomSet& aux, int first_atom, int stride, double* packed) {
  int largest = 0;
  for (int i = 0; i < aux.natom; ++i) largest = std::max(largest, aux.atoms[i].nfunc);
  PoolArray<double> block(static_cast<long>(largest) * largest);
  for (int ik = first_atom; ik < aux.natom; ik += stride)
    for (int il = 0; il <= ik; ++il) {
      const AtomFunctions &k = aux.atoms[ik], &l = aux.atoms[il];
      if (k.nfunc == 0 || l.nfunc == 0) continue;
      for (long x = 0; x < static_cast<long>(k.nfunc) * l.nfunc; ++x) block[x] = 0.0;
      two_centre_block(kind, k, l, block.data());
      for (int i = 0; i < k.nfunc; ++i) {
        const long row = aux.first_function[ik] + i;
        for (int j = 0; j < l.nfunc; ++j) {
          const long col = aux.first_function[il] + j;
          if (col <= row) packed[row * (row + 1) / 2 + col] += block[static_cast<long>(i) * l.nfunc + j];
        }
      }
    }
}

void fit_metric_gradient(Interaction kind, const AtomSet& aux, int first_atom, int stride, int ns, const double* d,
                         const double* c, double* grad) {
  const int lk = largest_l(aux);
  FitVectors fd(aux, ns), fc(aux, ns);
  fd.load(d, ns);
  fc.load(c, ns);
  PoolArray<double> tab(static_cast<long>(hermite_count(lk)) * hermite_count(lk));
  static HermiteIntegrals r;
  for (int ik = first_atom; ik < aux.natom; ik += stride) {
    const AtomFunctions& k = aux.atoms[ik];
    for (int il = 0; il < aux.natom; ++il) {
      if (il == ik) continue;  // one-centre integrals do not move
      const AtomFunctions& l = aux.atoms[il];
      for (int ek = 0; ek < k.nexp; ++ek) {
        const int lk1 = fd.lmax(ik, ek);
        if (lk1 < 0) continue;
        for (int el = 0; el < l.nexp; ++el) {
          const int ll = fd.lmax(il, el);
          if (ll < 0) continue;
          const int nk = hermite_count(lk1), nl = hermite_count(ll);
          interaction_integrals(kind, k.exponents[ek], k.centre, l.exponents[el], l.centre, 1.0, lk1 + ll + 1, r);
          for (int x = 0; x < 3; ++x) {
            interaction_table(r, lk1, ll, x, tab.data());
            double v = 0.0;
            for (int s = 0; s < ns; ++s) {
              const double *dk = fd.vector(s, ik, ek), *ck = fc.vector(s, ik, ek);
              const double *dl = fd.vector(s, il, el), *cl = fc.vector(s, il, el);
              for (int i = 0; i < nk; ++i) {
                const double* row = tab.data() + static_cast<long>(i) * nl;
                v += dk[i] * dot(nl, row, cl) + ck[i] * dot(nl, row, dl);
              }
            }
            grad[3 * ik + x] += v;
          }
        }
      }
    }
  }
}

void fit_moments(const AtomSet& aux, double* s) {
  const int m = aux.first_function[aux.natom];
  for (int x = 0; x < 4 * m; ++x) s[x] = 0.0;
  FitVectors fv(aux, 0);
  const int hx[3] = {hermite_index(1, 0, 0), hermite_index(0, 1, 0), hermite_index(0, 0, 1)};
  for (int i = 0; i < aux.natom; ++i) {
    const AtomFunctions& f = aux.atoms[i];
    const int first = aux.first_function[i];
    for (int e = 0; e < f.nexp; ++e) {
      const double c = f.exponents[e];
      const double v = kPiToThreeHalves / (c * std::sqrt(c));
      for (int sc = 0; sc < f.nshell; ++sc) {
        const double cc = f.coefficients[e * f.nshell + sc];
        const int l = f.shell_l[sc];
        if (cc == 0.0 || l > 1) continue;
        const double* sph = fv.expansion(i, e, l);
        const int hl = hermite_count(l);
        for (int q = 0; q < shell_size(l); ++q) {
          const int k = first + f.shell_first[sc] + q;
          s[k] += cc * v * sph[q * hl];
          if (l == 1)
            for (int x = 0; x < 3; ++x) s[(1 + x) * m + k] += cc * v * sph[q * hl + hx[x]];
        }
      }
    }
    // moments about the atom, shifted to the origin
    for (int k = first; k < aux.first_function[i + 1]; ++k)
      for (int x = 0; x < 3; ++x) s[(1 + x) * m + k] += f.centre[x] * s[k];
  }
}

}  // namespace ostrel
