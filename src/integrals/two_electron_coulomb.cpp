#include "integrals/two_electron_coulomb.hpp"

#include <algorithm>

#include "integrals/coulomb_blocks.hpp"
#include "integrals/coulomb_pairs.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

// One primitive pair of the density as a Hermite charge distribution.
struct KetDistribution {
  double q, Q[3], gaussian;
  int l;
  long offset;
};

template <class Body>
void each_pair(const AtomSet& orb, PairWork& pw, double x_max, Body&& body) {
  for (int ia = 0; ia < orb.natom; ++ia)
    for (int ib = 0; ib <= ia; ++ib)
      for (int eb = 0; eb < orb.atoms[ib].nexp; ++eb)
        for (int ea = 0; ea < orb.atoms[ia].nexp; ++ea)
          if (pw.start(ib, ia, eb, ea, x_max)) body();
}

// Number of surviving exponent pairs and the length of their Hermite vectors.
struct KetSizes {
  long count = 0, size = 0;
  KetSizes(const AtomSet& orb, double x_max) {
    PairWork pw(orb, false);
    each_pair(orb, pw, x_max, [&] {
      ++count;
      size += hermite_count(pw.order());
    });
  }
};

// The density as a list of Hermite distributions, one per surviving exponent pair.
struct KetList {
  PoolArray<KetDistribution> list;
  PoolArray<double> h;
  KetList(long count, long size) : list(count), h(size) {}
};

int largest_l(const AtomSet& set) {
  int l = 0;
  for (int i = 0; i < set.natom; ++i) l = std::max(l, atom_lmax(set.atoms[i]));
  return l;
}

void fill_kets(const AtomSet& orb, double x_max, const double* density, KetList& kets) {
  PairWork pw(orb, false);
  long n = 0, off = 0;
  each_pair(orb, pw, x_max, [&] {
    KetDistribution& k = kets.list[n++];
    const GaussianPair& g = pw.pair();
    k.q = g.p;
    for (int x = 0; x < 3; ++x) k.Q[x] = g.P[x];
    k.gaussian = g.gaussian;
    k.l = pw.order();
    k.offset = off;
    pw.density(density, kets.h.data() + off);
    off += hermite_count(k.l);
  });
}

// w[0..hermite_count(lb)) += interaction of the bra Hermite functions with the whole density.
void potential(const GaussianPair& g, int lb, const KetList& kets, long nkets, double* tab, double* w) {
  static HermiteIntegrals r;
  const int nb = hermite_count(lb);
  for (int x = 0; x < nb; ++x) w[x] = 0.0;
  for (long i = 0; i < nkets; ++i) {
    const KetDistribution& k = kets.list[i];
    interaction_integrals(Interaction::coulomb, g.p, g.P, k.q, k.Q, g.gaussian * k.gaussian, lb + k.l, r);
    interaction_table(r, lb, k.l, -1, tab);
    const int nk = hermite_count(k.l);
    const double* h = kets.h.data() + k.offset;
    for (int x = 0; x < nb; ++x) {
      double s = 0.0;
      const double* row = tab + static_cast<long>(x) * nk;
      for (int y = 0; y < nk; ++y) s += row[y] * h[y];
      w[x] += s;
    }
  }
}

}  // namespace

void coulomb_matrix_exact(const AtomSet& orb, double epsilon, const double* density, int first_atom, int stride,
                          double* j) {
  const double x_max = pair_screening_limit(epsilon);
  const KetSizes sizes(orb, x_max);
  KetList kets(sizes.count, sizes.size);
  fill_kets(orb, x_max, density, kets);
  const int l = 2 * largest_l(orb);
  PoolArray<double> tab(static_cast<long>(hermite_count(l)) * hermite_count(l));
  PoolArray<double> w(hermite_count(l));
  PairWork pw(orb, false);
  for (int ia = first_atom; ia < orb.natom; ia += stride)
    for (int ib = 0; ib <= ia; ++ib)
      for (int eb = 0; eb < orb.atoms[ib].nexp; ++eb)
        for (int ea = 0; ea < orb.atoms[ia].nexp; ++ea) {
          if (!pw.start(ib, ia, eb, ea, x_max)) continue;
          potential(pw.pair(), pw.order(), kets, sizes.count, tab.data(), w.data());
          pw.scatter(w.data(), j);
        }
}

void coulomb_gradient_exact(const AtomSet& orb, double epsilon, const double* density, int first_atom, int stride,
                            double* grad) {
  const double x_max = pair_screening_limit(epsilon);
  const KetSizes sizes(orb, x_max);
  KetList kets(sizes.count, sizes.size);
  fill_kets(orb, x_max, density, kets);
  const int l = 2 * largest_l(orb) + 1;
  const int nmax = hermite_count(l);
  PoolArray<double> tab(static_cast<long>(nmax) * hermite_count(l - 1));
  PoolArray<double> w(nmax), h(nmax), hb(3L * nmax), ha(3L * nmax);
  PairWork pw(orb, true);
  for (int ia = first_atom; ia < orb.natom; ia += stride)
    for (int ib = 0; ib <= ia; ++ib)
      for (int eb = 0; eb < orb.atoms[ib].nexp; ++eb)
        for (int ea = 0; ea < orb.atoms[ia].nexp; ++ea) {
          if (!pw.start(ib, ia, eb, ea, x_max)) continue;
          const int lb = pw.order() + 1, nh = hermite_count(lb);
          pw.density(density, h.data(), hb.data(), ha.data());
          potential(pw.pair(), lb, kets, sizes.count, tab.data(), w.data());
          for (int k = 0; k < 3; ++k) {
            double sb = 0.0, sa = 0.0;
            for (int x = 0; x < nh; ++x) {
              sb += hb[k * nh + x] * w[x];
              sa += ha[k * nh + x] * w[x];
            }
            grad[3 * ib + k] += sb;
            grad[3 * ia + k] += sa;
          }
        }
}

}  // namespace ostrel
