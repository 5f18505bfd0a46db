#pragma once
#include "integrals/coulomb_hermite.hpp"
#include "integrals/one_electron_matrices.hpp"

namespace ostrel {

// Work on one primitive pair (exponent eb of atom B, ea of atom A) of the wavefunction
// basis: its spherical Hermite expansions for every (lb, la) the two exponents carry, and
// the contraction of a packed density over that pair into one Hermite vector (the pair's
// share of the density as a sum of Hermite Gaussians about P), or the scatter of a Hermite
// potential back into a packed matrix. Buffers come from the pool and are released with
// the object, so it lives inside one driver call.
class PairWork {
 public:
  PairWork(const AtomSet& set, bool derivatives);
  ~PairWork();
  PairWork(const PairWork&) = delete;
  PairWork& operator=(const PairWork&) = delete;

  // Sets up the pair; false when it is screened out (X above x_max) or carries no shell.
  bool start(int atom_b, int atom_a, int eb, int ea, double x_max);

  const GaussianPair& pair() const { return g_; }
  // Hermite order of the density vectors (plus one for the derivative vectors).
  int order() const { return rb_.hi + ra_.hi; }

  // h[0..hermite_count(order())) = sum_{mu on B, nu on A} P(mu, nu) x (product expansion),
  // doubled when B != A (the (nu, mu) half of the sum). With derivatives also
  // hb[k], ha[k] (order + 1) for d/dB_k and d/dA_k of the products.
  void density(const double* packed, double* h, double* hb = nullptr, double* ha = nullptr);

  // M(mu, nu) += sum_h w[h] (product expansion)[h] for mu on B, nu on A into the packed
  // lower triangle (the full block when B == A).
  void scatter(const double* w, double* packed);

  // The same into a dense block over the two atoms' own functions: block[i_B * ld + j_A]
  // for every pair (the whole square when B == A).
  void scatter_block(const double* w, double* block, int ld);

 private:
  long offset(int lb, int la) const { return off_[lb * (lmax_ + 1) + la]; }
  template <class Put>
  void contract(const double* w, Put&& put);
  const AtomSet& set_;
  bool derivatives_;
  int lmax_;
  int b_ = 0, a_ = 0, eb_ = 0, ea_ = 0;
  ExponentL rb_{0, -1}, ra_{0, -1};
  GaussianPair g_{};
  HermiteTables* e_;
  long* off_;
  long* doff_;
  double* eh_;
  double* dh_;     // 6 derivative expansions per (lb, la): d/dB x y z, d/dA x y z
  double* dprim_;  // primitive density block
};

// Hermite vectors of a fitting-basis coefficient vector: for every atom and exponent, the
// sum over the shells using it and their components of c_k times the function's Hermite
// expansion (orders up to the largest L of the exponent, lower L as prefixes).
class FitVectors {
 public:
  // Room for up to max_sets coefficient vectors.
  FitVectors(const AtomSet& aux, int max_sets);
  ~FitVectors();
  FitVectors(const FitVectors&) = delete;
  FitVectors& operator=(const FitVectors&) = delete;

  // Fills the vectors of `count` coefficient vectors of length m, one after the other.
  void load(const double* c, int count);
  const double* vector(int set, int atom, int e) const {
    return data_ + set * total_ + voff_[atom_exp0_[atom] + e];
  }
  // Adds to out[k] (k over the atom's functions) sum_h expansion_k[h] w[e][h] of
  // one exponent: the transpose of `load` for the projections.
  void project(int atom, int e, const double* w, double* out) const;
  int lmax(int atom, int e) const { return elmax_[atom_exp0_[atom] + e]; }
  // Spherical Hermite expansion of r^l Y exp(-c r^2), c exponent e of the atom: (2l+1) rows.
  const double* expansion(int atom, int e, int l) const {
    return single_ + soff_[static_cast<long>(atom_exp0_[atom] + e) * (kPairMaxL + 1) + l];
  }
  int max_order() const { return max_l_; }

 private:
  // visit(sc, cc, l, sph) for every shell sc of the atom that exponent e enters, with its
  // coefficient cc and the exponent's spherical expansion sph at the shell's L.
  template <class Visit>
  void for_each_shell_of(int atom, int e, Visit&& visit) const;

  const AtomSet& aux_;
  int max_l_ = -1;
  int max_sets_;
  int* atom_exp0_;
  int* elmax_;
  long* voff_;   // Hermite vector of each (atom, exponent)
  long* soff_;   // spherical expansions of each (atom, exponent) for L = lo..hi, end to end
  double* single_;
  double* data_ = nullptr;
  long total_ = 0;
  void* block_;
};

// Calls body(g) for every primitive pair of atoms (ia, ib) that survives the screening.
template <class Body>
void for_each_primitive_pair(const AtomSet& orb, int ia, int ib, PairWork& pw, double x_max, Body&& body) {
  const AtomFunctions &a = orb.atoms[ia], &b = orb.atoms[ib];
  for (int eb = 0; eb < b.nexp; ++eb)
    for (int ea = 0; ea < a.nexp; ++ea)
      if (pw.start(ib, ia, eb, ea, x_max)) body(pw.pair());
}

// For each exponent of fitting atom ic that carries functions, fills `table` with its
// Hermite interaction table with the pair g of order l and calls visit(ec, nk), nk the
// exponent's Hermite count; false when no exponent does.
template <class Visit>
bool for_each_fit_exponent(Interaction kind, const GaussianPair& g, int l, const AtomSet& aux,
                           const FitVectors& fv, int ic, HermiteIntegrals& r, double* table, Visit&& visit) {
  const AtomFunctions& c = aux.atoms[ic];
  bool any = false;
  for (int ec = 0; ec < c.nexp; ++ec) {
    const int lc = fv.lmax(ic, ec);
    if (lc < 0) continue;
    any = true;
    interaction_integrals(kind, g.p, g.P, c.exponents[ec], c.centre, g.gaussian, l + lc, r);
    interaction_table(r, l, lc, -1, table);
    visit(ec, hermite_count(lc));
  }
  return any;
}

}  // namespace ostrel
