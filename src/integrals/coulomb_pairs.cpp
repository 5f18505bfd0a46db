#include "integrals/coulomb_pairs.hpp"

#include <algorithm>
#include <cstdint>

#include "integrals/coulomb_blocks.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

// Carves typed arrays out of one pool block; a first pass with base 0 measures it.
class Carver {
 public:
  explicit Carver(std::uintptr_t base) : base_(base) {}
  template <class T>
  T* take(long n) {
    T* r = reinterpret_cast<T*>(base_ + used_);
    used_ += (n * static_cast<long>(sizeof(T)) + 63) / 64 * 64;
    return r;
  }
  long used() const { return used_; }

 private:
  std::uintptr_t base_;
  long used_ = 0;
};

std::uintptr_t address(void* p) { return reinterpret_cast<std::uintptr_t>(p); }

inline double packed_at(const double* m, long i, long j) {
  return i >= j ? m[i * (i + 1) / 2 + j] : m[j * (j + 1) / 2 + i];
}

}  // namespace

PairWork::PairWork(const AtomSet& set, bool derivatives) : set_(set), derivatives_(derivatives), lmax_(0) {
  for (int i = 0; i < set.natom; ++i) lmax_ = std::max(lmax_, atom_lmax(set.atoms[i]));
  if (lmax_ + 1 >= kHermitePowers) fatal_error("\n %d: basis function of L = %d\n", node_id, lmax_);
  const int nl = lmax_ + 1;
  long neh = 0, ndh = 0;
  for (int lb = 0; lb < nl; ++lb)
    for (int la = 0; la < nl; ++la) {
      const long ns = static_cast<long>(shell_size(lb)) * shell_size(la);
      neh += ns * hermite_count(lb + la);
      if (derivatives) ndh += 6 * ns * hermite_count(lb + la + 1);
    }
  auto layout = [&](std::uintptr_t base) {
    Carver c(base);
    e_ = c.take<HermiteTables>(1);
    off_ = c.take<long>(nl * nl);
    doff_ = c.take<long>(nl * nl);
    eh_ = c.take<double>(neh);
    dh_ = c.take<double>(ndh);
    dprim_ = c.take<double>(static_cast<long>(shell_size(lmax_)) * shell_size(lmax_));
    return c.used();
  };
  layout(address(pool_alloc(layout(0))));
  long o = 0, d = 0;
  for (int lb = 0; lb < nl; ++lb)
    for (int la = 0; la < nl; ++la) {
      const long ns = static_cast<long>(shell_size(lb)) * shell_size(la);
      off_[lb * nl + la] = o;
      doff_[lb * nl + la] = d;
      o += ns * hermite_count(lb + la);
      if (derivatives) d += 6 * ns * hermite_count(lb + la + 1);
    }
}

PairWork::~PairWork() { pool_release(e_); }

bool PairWork::start(int atom_b, int atom_a, int eb, int ea, double x_max) {
  const AtomFunctions &b = set_.atoms[atom_b], &a = set_.atoms[atom_a];
  b_ = atom_b;
  a_ = atom_a;
  eb_ = eb;
  ea_ = ea;
  rb_ = exponent_l(b, eb);
  ra_ = exponent_l(a, ea);
  if (rb_.hi < rb_.lo || ra_.hi < ra_.lo) return false;
  g_ = gaussian_pair(a.exponents[ea], a.centre, b.exponents[eb], b.centre);
  if (g_.exponent > x_max) return false;
  const int extra = derivatives_ ? 1 : 0;
  hermite_tables(g_, rb_.hi + extra, ra_.hi + extra, *e_);
  for (int lb = rb_.lo; lb <= rb_.hi; ++lb)
    for (int la = ra_.lo; la <= ra_.hi; ++la) {
      pair_hermite(*e_, lb, la, eh_ + offset(lb, la));
      if (!derivatives_) continue;
      const long n = static_cast<long>(shell_size(lb)) * shell_size(la) * hermite_count(lb + la + 1);
      double* d = dh_ + doff_[lb * (lmax_ + 1) + la];
      for (int centre = 0; centre < 2; ++centre)
        for (int k = 0; k < 3; ++k) pair_hermite_derivative(*e_, g_, centre, k, lb, la, d + (centre * 3 + k) * n);
    }
  return true;
}

void PairWork::density(const double* packed, double* h, double* hb, double* ha) {
  const AtomFunctions &b = set_.atoms[b_], &a = set_.atoms[a_];
  const long fb = set_.first_function[b_], fa = set_.first_function[a_];
  const double factor = b_ != a_ ? 2.0 : 1.0;
  const int nh = hermite_count(order()), nd = hermite_count(order() + 1);
  for (int i = 0; i < nh; ++i) h[i] = 0.0;
  if (hb)
    for (int i = 0; i < 3 * nd; ++i) hb[i] = ha[i] = 0.0;
  for (int lb = rb_.lo; lb <= rb_.hi; ++lb)
    for (int la = ra_.lo; la <= ra_.hi; ++la) {
      const int nsb = shell_size(lb), nsa = shell_size(la), nij = nsb * nsa;
      bool any = false;
      for (int i = 0; i < nij; ++i) dprim_[i] = 0.0;
      for_each_shell_pair(b, eb_, lb, a, ea_, la, [&](int sb, int sa, double cb, double ca) {
        const double c = factor * cb * ca;
        for (int i = 0; i < nsb; ++i)
          for (int j = 0; j < nsa; ++j)
            dprim_[i * nsa + j] += c * packed_at(packed, fb + b.shell_first[sb] + i, fa + a.shell_first[sa] + j);
        any = true;
      });
      if (!any) continue;
      const int hl = hermite_count(lb + la);
      const double* eh = eh_ + offset(lb, la);
      for (int ij = 0; ij < nij; ++ij) {
        const double d = dprim_[ij];
        if (d == 0.0) continue;
        const double* row = eh + static_cast<long>(ij) * hl;
        for (int k = 0; k < hl; ++k) h[k] += d * row[k];
      }
      if (!hb) continue;
      const int hl1 = hermite_count(lb + la + 1);
      const long n = static_cast<long>(nij) * hl1;
      const double* dh = dh_ + doff_[lb * (lmax_ + 1) + la];
      for (int c = 0; c < 6; ++c) {
        double* out = (c < 3 ? hb : ha) + (c % 3) * nd;
        for (int ij = 0; ij < nij; ++ij) {
          const double d = dprim_[ij];
          if (d == 0.0) continue;
          const double* row = dh + c * n + static_cast<long>(ij) * hl1;
          for (int k = 0; k < hl1; ++k) out[k] += d * row[k];
        }
      }
    }
}

// Contracts w with every product expansion of the pair and hands each contracted function
// pair (local index on B, local index on A, value) to `put`.
template <class Put>
void PairWork::contract(const double* w, Put&& put) {
  const AtomFunctions &b = set_.atoms[b_], &a = set_.atoms[a_];
  for (int lb = rb_.lo; lb <= rb_.hi; ++lb)
    for (int la = ra_.lo; la <= ra_.hi; ++la) {
      const int nsb = shell_size(lb), nsa = shell_size(la), nij = nsb * nsa;
      const int hl = hermite_count(lb + la);
      const double* eh = eh_ + offset(lb, la);
      for (int ij = 0; ij < nij; ++ij) {
        double s = 0.0;
        const double* row = eh + static_cast<long>(ij) * hl;
        for (int k = 0; k < hl; ++k) s += row[k] * w[k];
        dprim_[ij] = s;
      }
      for_each_shell_pair(b, eb_, lb, a, ea_, la, [&](int sb, int sa, double cb, double ca) {
        const double c = cb * ca;
        for (int i = 0; i < nsb; ++i)
          for (int j = 0; j < nsa; ++j) put(b.shell_first[sb] + i, a.shell_first[sa] + j, c * dprim_[i * nsa + j]);
      });
    }
}

void PairWork::scatter(const double* w, double* packed) {
  const long fb = set_.first_function[b_], fa = set_.first_function[a_];
  contract(w, [&](long i, long j, double v) {
    const long col = fb + i, row = fa + j;
    if (row >= col) packed[row * (row + 1) / 2 + col] += v;
  });
}

void PairWork::scatter_block(const double* w, double* block, int ld) {
  contract(w, [&](long i, long j, double v) { block[i * ld + j] += v; });
}

FitVectors::FitVectors(const AtomSet& aux, int max_sets) : aux_(aux), max_sets_(max_sets) {
  int nexp = 0;
  for (int i = 0; i < aux.natom; ++i) {
    nexp += aux.atoms[i].nexp;
    max_l_ = std::max(max_l_, atom_lmax(aux.atoms[i]));
  }
  if (max_l_ > kPairMaxL) fatal_error("\n %d: fitting function of L = %d\n", node_id, max_l_);
  const int nl = kPairMaxL + 1;
  long nsingle = 0;
  for (int i = 0; i < aux.natom; ++i)
    for (int e = 0; e < aux.atoms[i].nexp; ++e) {
      const ExponentL r = exponent_l(aux.atoms[i], e);
      for (int l = r.lo; l <= r.hi; ++l) nsingle += static_cast<long>(shell_size(l)) * hermite_count(l);
      if (r.hi >= r.lo) total_ += hermite_count(r.hi);
    }
  auto layout = [&](std::uintptr_t base) {
    Carver c(base);
    atom_exp0_ = c.take<int>(aux.natom + 1);
    elmax_ = c.take<int>(nexp);
    voff_ = c.take<long>(nexp);
    soff_ = c.take<long>(static_cast<long>(nexp) * nl);
    single_ = c.take<double>(nsingle);
    data_ = c.take<double>(total_ * max_sets);
    return c.used();
  };
  block_ = pool_alloc(layout(0));
  layout(address(block_));
  long v = 0, s = 0;
  int x = 0;
  for (int i = 0; i < aux.natom; ++i) {
    atom_exp0_[i] = x;
    for (int e = 0; e < aux.atoms[i].nexp; ++e, ++x) {
      const ExponentL r = exponent_l(aux.atoms[i], e);
      elmax_[x] = r.hi;
      voff_[x] = v;
      if (r.hi >= r.lo) v += hermite_count(r.hi);
      for (int l = r.lo; l <= r.hi; ++l) {
        soff_[static_cast<long>(x) * nl + l] = s;
        single_hermite(aux.atoms[i].exponents[e], l, single_ + s);
        s += static_cast<long>(shell_size(l)) * hermite_count(l);
      }
    }
  }
  atom_exp0_[aux.natom] = x;
}

FitVectors::~FitVectors() { pool_release(block_); }

template <class Visit>
void FitVectors::for_each_shell_of(int atom, int e, Visit&& visit) const {
  const AtomFunctions& f = aux_.atoms[atom];
  const long x = atom_exp0_[atom] + e;
  for (int sc = 0; sc < f.nshell; ++sc) {
    const double cc = f.coefficients[e * f.nshell + sc];
    if (cc == 0.0) continue;
    const int l = f.shell_l[sc];
    visit(sc, cc, l, single_ + soff_[x * (kPairMaxL + 1) + l]);
  }
}

void FitVectors::load(const double* c, int count) {
  if (count > max_sets_) fatal_error("\n %d: %d fit vectors for room of %d\n", node_id, count, max_sets_);
  const int m = aux_.first_function[aux_.natom];
  for (int set = 0; set < count; ++set)
    for (int i = 0; i < aux_.natom; ++i) {
      const AtomFunctions& f = aux_.atoms[i];
      const double* ci = c + static_cast<long>(set) * m + aux_.first_function[i];
      for (int e = 0; e < f.nexp; ++e) {
        const int x = atom_exp0_[i] + e;
        const ExponentL r = exponent_l(f, e);
        if (r.hi < r.lo) continue;
        double* v = data_ + set * total_ + voff_[x];
        for (int h = 0; h < hermite_count(r.hi); ++h) v[h] = 0.0;
        for_each_shell_of(i, e, [&](int sc, double cc, int l, const double* sph) {
          const int hl = hermite_count(l);
          for (int s = 0; s < shell_size(l); ++s) {
            const double w = cc * ci[f.shell_first[sc] + s];
            if (w == 0.0) continue;
            for (int h = 0; h < hl; ++h) v[h] += w * sph[s * hl + h];
          }
        });
      }
    }
}

void FitVectors::project(int atom, int e, const double* w, double* out) const {
  const AtomFunctions& f = aux_.atoms[atom];
  for_each_shell_of(atom, e, [&](int sc, double cc, int l, const double* sph) {
    const int hl = hermite_count(l);
    for (int s = 0; s < shell_size(l); ++s) {
      double v = 0.0;
      for (int h = 0; h < hl; ++h) v += sph[s * hl + h] * w[h];
      out[f.shell_first[sc] + s] += cc * v;
    }
  });
}

}  // namespace ostrel
