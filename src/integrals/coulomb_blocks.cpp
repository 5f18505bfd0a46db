#include "integrals/coulomb_blocks.hpp"

#include <algorithm>

#include "runtime/pool.hpp"

namespace ostrel {
namespace {

// Spherical Hermite expansions of every (exponent, L) of a fitting atom, laid end to end.
long single_set_size(const AtomFunctions& f) {
  long n = 0;
  for (int e = 0; e < f.nexp; ++e) {
    const ExponentL r = exponent_l(f, e);
    for (int l = r.lo; l <= r.hi; ++l) n += static_cast<long>(shell_size(l)) * hermite_count(l);
  }
  return n;
}

void fill_single_set(const AtomFunctions& f, double* data, long* offset) {
  long n = 0;
  for (int e = 0; e < f.nexp; ++e) {
    const ExponentL r = exponent_l(f, e);
    for (int l = r.lo; l <= r.hi; ++l) {
      offset[e * (kPairMaxL + 1) + l] = n;
      single_hermite(f.exponents[e], l, data + n);
      n += static_cast<long>(shell_size(l)) * hermite_count(l);
    }
  }
}

// c[i][j] = sum_h a[i][h] b[j][h]
void multiply_transposed(int ni, int nj, int nh, const double* a, const double* b, double* c) {
  for (int i = 0; i < ni; ++i)
    for (int j = 0; j < nj; ++j) {
      double s = 0.0;
      const double* x = a + static_cast<long>(i) * nh;
      const double* y = b + static_cast<long>(j) * nh;
      for (int h = 0; h < nh; ++h) s += x[h] * y[h];
      c[i * nj + j] = s;
    }
}

}  // namespace

int atom_lmax(const AtomFunctions& f) {
  int l = -1;
  for (int s = 0; s < f.nshell; ++s) l = std::max(l, f.shell_l[s]);
  return l;
}

void two_centre_block(Interaction kind, const AtomFunctions& row, const AtomFunctions& col, double* out) {
  const int lr = atom_lmax(row), lc = atom_lmax(col);
  if (lr < 0 || lc < 0) return;
  PoolArray<long> orow(static_cast<long>(row.nexp) * (kPairMaxL + 1));
  PoolArray<long> ocol(static_cast<long>(col.nexp) * (kPairMaxL + 1));
  PoolArray<double> erow(single_set_size(row)), ecol(single_set_size(col));
  fill_single_set(row, erow.data(), orow.data());
  fill_single_set(col, ecol.data(), ocol.data());
  PoolArray<double> tab(static_cast<long>(hermite_count(lr)) * hermite_count(lc));
  PoolArray<double> tmp(static_cast<long>(shell_size(lr)) * hermite_count(lc));
  PoolArray<double> prim(static_cast<long>(shell_size(lr)) * shell_size(lc));
  static HermiteIntegrals r;
  for (int er = 0; er < row.nexp; ++er) {
    const ExponentL rr = exponent_l(row, er);
    if (rr.hi < rr.lo) continue;
    for (int ec = 0; ec < col.nexp; ++ec) {
      const ExponentL rc = exponent_l(col, ec);
      if (rc.hi < rc.lo) continue;
      interaction_integrals(kind, row.exponents[er], row.centre, col.exponents[ec], col.centre, 1.0, rr.hi + rc.hi, r);
      for (int l1 = rr.lo; l1 <= rr.hi; ++l1)
        for (int l2 = rc.lo; l2 <= rc.hi; ++l2) {
          const int n1 = shell_size(l1), n2 = shell_size(l2);
          const int h1 = hermite_count(l1), h2 = hermite_count(l2);
          interaction_table(r, l1, l2, -1, tab.data());
          const double* e1 = erow.data() + orow[er * (kPairMaxL + 1) + l1];
          const double* e2 = ecol.data() + ocol[ec * (kPairMaxL + 1) + l2];
          // tmp[i][h2] = sum_h1 e1[i][h1] tab[h1][h2]
          for (int i = 0; i < n1; ++i)
            for (int k = 0; k < h2; ++k) {
              double s = 0.0;
              for (int h = 0; h < h1; ++h) s += e1[i * h1 + h] * tab[static_cast<long>(h) * h2 + k];
              tmp[i * h2 + k] = s;
            }
          multiply_transposed(n1, n2, h2, tmp.data(), e2, prim.data());
          for (int s1 = 0; s1 < row.nshell; ++s1) {
            const double c1 = row.coefficients[er * row.nshell + s1];
            if (c1 == 0.0 || row.shell_l[s1] != l1) continue;
            for (int s2 = 0; s2 < col.nshell; ++s2) {
              const double c2 = col.coefficients[ec * col.nshell + s2];
              if (c2 == 0.0 || col.shell_l[s2] != l2) continue;
              const double c = c1 * c2;
              for (int i = 0; i < n1; ++i)
                for (int j = 0; j < n2; ++j)
                  out[static_cast<long>(row.shell_first[s1] + i) * col.nfunc + col.shell_first[s2] + j] +=
                      c * prim[i * n2 + j];
            }
          }
        }
    }
  }
}

void three_centre_block(Interaction kind, const AtomFunctions& b, const AtomFunctions& a, const AtomFunctions& c,
                        double x_max, double* out) {
  const int lbm = atom_lmax(b), lam = atom_lmax(a), lcm = atom_lmax(c);
  if (lbm < 0 || lam < 0 || lcm < 0) return;
  PoolArray<long> oc(static_cast<long>(c.nexp) * (kPairMaxL + 1));
  PoolArray<double> ec(single_set_size(c));
  fill_single_set(c, ec.data(), oc.data());
  // Pair expansions of one exponent pair for every (lb, la).
  long pair_size = 0;
  for (int lb = 0; lb <= lbm; ++lb)
    for (int la = 0; la <= lam; ++la) pair_size += static_cast<long>(shell_size(lb)) * shell_size(la) * hermite_count(lb + la);
  PoolArray<double> eh(pair_size);
  PoolArray<long> oh(static_cast<long>(lbm + 1) * (lam + 1));
  const int hab = hermite_count(lbm + lam), hc = hermite_count(lcm);
  PoolArray<double> tab(static_cast<long>(hab) * hc);
  PoolArray<double> tmp(static_cast<long>(shell_size(lcm)) * hab);
  PoolArray<double> prim(static_cast<long>(shell_size(lbm)) * shell_size(lam) * shell_size(lcm));
  static HermiteTables e;
  static HermiteIntegrals r;
  const long nab = static_cast<long>(a.nfunc) * b.nfunc;
  for_each_exponent_pair(b, a, x_max, [&](int eb, int ea, ExponentL rb, ExponentL ra, const GaussianPair& g) {
    hermite_tables(g, rb.hi, ra.hi, e);
    long n = 0;
    for (int lb = rb.lo; lb <= rb.hi; ++lb)
      for (int la = ra.lo; la <= ra.hi; ++la) {
        oh[lb * (lam + 1) + la] = n;
        pair_hermite(e, lb, la, eh.data() + n);
        n += static_cast<long>(shell_size(lb)) * shell_size(la) * hermite_count(lb + la);
      }
    for (int ek = 0; ek < c.nexp; ++ek) {
      const ExponentL rc = exponent_l(c, ek);
      if (rc.hi < rc.lo) continue;
      interaction_integrals(kind, g.p, g.P, c.exponents[ek], c.centre, g.gaussian, rb.hi + ra.hi + rc.hi, r);
      for (int lc = rc.lo; lc <= rc.hi; ++lc) {
        const int nc = shell_size(lc), hk = hermite_count(lc);
        const double* ck = ec.data() + oc[ek * (kPairMaxL + 1) + lc];
        for (int lb = rb.lo; lb <= rb.hi; ++lb)
          for (int la = ra.lo; la <= ra.hi; ++la) {
            const int h = hermite_count(lb + la), nsa = shell_size(la), nij = shell_size(lb) * nsa;
            interaction_table(r, lb + la, lc, -1, tab.data());
            // tmp[s][hb] = sum_hk tab[hb][hk] ck[s][hk]
            for (int s = 0; s < nc; ++s)
              for (int hb = 0; hb < h; ++hb) {
                double v = 0.0;
                const double* trow = tab.data() + static_cast<long>(hb) * hk;
                for (int q = 0; q < hk; ++q) v += trow[q] * ck[s * hk + q];
                tmp[static_cast<long>(s) * h + hb] = v;
              }
            multiply_transposed(nc, nij, h, tmp.data(), eh.data() + oh[lb * (lam + 1) + la], prim.data());
            for (int sc = 0; sc < c.nshell; ++sc) {
              const double cc = c.coefficients[ek * c.nshell + sc];
              if (cc == 0.0 || c.shell_l[sc] != lc) continue;
              for_each_shell_pair(b, eb, lb, a, ea, la, [&](int sb, int sa, double cb, double ca) {
                const double f = cc * cb * ca;
                for (int s = 0; s < nc; ++s) {
                  double* dst = out + (c.shell_first[sc] + s) * nab +
                                static_cast<long>(b.shell_first[sb]) * a.nfunc + a.shell_first[sa];
                  const double* src = prim.data() + static_cast<long>(s) * nij;
                  for (int i = 0; i < shell_size(lb); ++i)
                    for (int j = 0; j < nsa; ++j) dst[static_cast<long>(i) * a.nfunc + j] += f * src[i * nsa + j];
                }
              });
            }
          }
      }
    }
  });
}

}  // namespace ostrel
