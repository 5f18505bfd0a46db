#pragma once
#include <span>

#include "integrals/shell.hpp"

namespace ostrel {

// The functions of one atom as the atom-pair loop sees them: the distinct exponents of its
// basis kind and a coefficient matrix over (exponent, shell), so one exponent shared by
// several contracted shells is integrated once.
struct AtomFunctions {
  const double* centre;
  int nexp;
  const double* exponents;  // distinct exponents
  int nshell;
  const double* coefficients;  // nexp x nshell, entry e * nshell + s (normalised, 0 where unused)
  const int* shell_l;          // nshell
  const int* shell_first;      // first function of each shell within the atom
  int nfunc;
};

// What an atom-pair block holds; the count is the number of nB x nA blocks written.
enum class PairOperator {
  overlap,                // 1
  kinetic,                // 1
  attraction,             // 1, summed over the charges
  moments,                // 9: x, y, z, xx, xy, xz, yy, yz, zz about the origin
  overlap_derivative,     // 3: d/dB_x,y,z (d/dA = -d/dB)
  kinetic_derivative,     // 3: d/dB_x,y,z (d/dA = -d/dB)
  attraction_derivative,  // 9 for one charge: d/dB_xyz, d/dA_xyz, d/dC_xyz
  moment_derivative,      // 54: d/dB of the 9 moments (op * 3 + k), then d/dA likewise
};

int pair_operator_blocks(PairOperator op);

// L range carried by one exponent of an atom (hi < lo when no shell uses it).
struct ExponentL {
  int lo, hi;
};
ExponentL exponent_l(const AtomFunctions& f, int e);

// Calls body(sb, sa, cb, ca) for every shell pair of L (lb, la) whose contractions use
// exponent eb of B and ea of A, cb and ca their coefficients there.
template <class Body>
void for_each_shell_pair(const AtomFunctions& b, int eb, int lb, const AtomFunctions& a, int ea, int la,
                         Body&& body) {
  for (int sb = 0; sb < b.nshell; ++sb) {
    const double cb = b.coefficients[eb * b.nshell + sb];
    if (cb == 0.0 || b.shell_l[sb] != lb) continue;
    for (int sa = 0; sa < a.nshell; ++sa) {
      const double ca = a.coefficients[ea * a.nshell + sa];
      if (ca == 0.0 || a.shell_l[sa] != la) continue;
      body(sb, sa, cb, ca);
    }
  }
}

// Calls body(eb, ea, rb, ra, g) for every exponent pair of atoms B and A that carries
// shells and whose Gaussian product survives the screening (exponent X <= x_max).
template <class Body>
void for_each_exponent_pair(const AtomFunctions& b, const AtomFunctions& a, double x_max, Body&& body) {
  for (int eb = 0; eb < b.nexp; ++eb) {
    const ExponentL rb = exponent_l(b, eb);
    if (rb.hi < rb.lo) continue;
    for (int ea = 0; ea < a.nexp; ++ea) {
      const ExponentL ra = exponent_l(a, ea);
      if (ra.hi < ra.lo) continue;
      const GaussianPair g = gaussian_pair(a.exponents[ea], a.centre, b.exponents[eb], b.centre);
      if (g.exponent > x_max) continue;
      body(eb, ea, rb, ra, g);
    }
  }
}

// Gaussian-exponent threshold of the pair screening: ln(1/epsilon), or 50 when epsilon <= 0.
double pair_screening_limit(double epsilon);

struct PairOperatorData {
  std::span<const PointCharge> charges;  // attraction: all charges; its derivative: one charge
  const double* origin = nullptr;        // moments and their derivatives
};

// Adds the operator's blocks for atoms B (rows) and A (columns) into out, laid out as
// pair_operator_blocks(op) consecutive nB x nA arrays. Work is done once per exponent pair
// (skipped when a b |A - B|^2 / (a + b) exceeds the screening limit) for every L pair the two
// exponents carry, and the primitive blocks go to every shell with non-zero coefficients.
void add_pair_blocks(PairOperator op, const AtomFunctions& b, const AtomFunctions& a, double epsilon,
                     const PairOperatorData& data, double* out);

// The atoms of a basis as the assembly sees them: per-atom functions and the first
// function of each atom (natom + 1 entries, the last one the function count).
struct AtomSet {
  int natom;
  const AtomFunctions* atoms;
  const int* first_function;
};

inline long packed_size(int n) { return static_cast<long>(n) * (n + 1) / 2; }

// Adds the value operator's matrices (overlap, kinetic, attraction or moments; one packed
// lower triangle per block of the operator, one after the other) over the atom pairs
// B <= A for A = first_atom, first_atom + atom_stride, ... (the node share of a pass).
void add_packed_matrices(PairOperator op, const AtomSet& set, double epsilon, const PairOperatorData& data,
                         int first_atom, int atom_stride, double* packed);

}  // namespace ostrel
