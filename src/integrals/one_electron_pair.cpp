#include "integrals/one_electron_pair.hpp"

#include <cmath>

#include "integrals/hermite.hpp"
#include "integrals/kinetic.hpp"
#include "integrals/multipole.hpp"
#include "integrals/nuclear_attraction.hpp"
#include "integrals/overlap.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"

namespace ostrel {
namespace {

constexpr int kMaxBlocks = 54;

struct LRange {
  int lo, hi;  // hi < lo when no shell uses the exponent
};

LRange exponent_l_range(const AtomFunctions& f, int e) {
  LRange r{kPairMaxL + 1, -1};
  for (int s = 0; s < f.nshell; ++s)
    if (f.coefficients[e * f.nshell + s] != 0.0) {
      r.lo = std::min(r.lo, f.shell_l[s]);
      r.hi = std::max(r.hi, f.shell_l[s]);
    }
  return r;
}

// Extra powers the tables need on B and A for each operator.
void table_extra(PairOperator op, int& extra_b, int& extra_a) {
  switch (op) {
    case PairOperator::overlap:
      extra_b = 0;
      extra_a = 0;
      break;
    case PairOperator::kinetic:
      extra_b = 1;
      extra_a = 1;
      break;
    case PairOperator::moments:
      extra_b = 2;
      extra_a = 0;
      break;
    case PairOperator::overlap_derivative:
      extra_b = 1;
      extra_a = 0;
      break;
    case PairOperator::kinetic_derivative:
      extra_b = 2;
      extra_a = 1;
      break;
    case PairOperator::moment_derivative:
      extra_b = 3;
      extra_a = 1;
      break;
    case PairOperator::attraction:
      extra_b = 0;
      extra_a = 0;
      break;
    case PairOperator::attraction_derivative:
      extra_b = 1;
      extra_a = 1;
      break;
  }
}

}  // namespace

int pair_operator_blocks(PairOperator op) {
  switch (op) {
    case PairOperator::overlap:
    case PairOperator::kinetic:
    case PairOperator::attraction:
      return 1;
    case PairOperator::overlap_derivative:
    case PairOperator::kinetic_derivative:
      return 3;
    case PairOperator::moments:
    case PairOperator::attraction_derivative:
      return 9;
    case PairOperator::moment_derivative:
      return 54;
  }
  return 0;
}

double pair_screening_limit(double epsilon) { return epsilon > 0.0 ? std::log(1.0 / epsilon) : 50.0; }

void add_pair_blocks(PairOperator op, const AtomFunctions& b, const AtomFunctions& a, double epsilon,
                     const PairOperatorData& data, double* out) {
  const bool hermite = op == PairOperator::attraction || op == PairOperator::attraction_derivative;
  if (op == PairOperator::attraction_derivative && data.charges.size() != 1)
    fatal_error("\n %d: attraction derivative blocks take one charge, not %d\n", node_id,
                static_cast<int>(data.charges.size()));
  const int nblocks = pair_operator_blocks(op);
  const int nab = a.nfunc * b.nfunc;
  const double x_max = pair_screening_limit(epsilon);
  int extra_b = 0, extra_a = 0;
  table_extra(op, extra_b, extra_a);

  static OverlapTables tables;
  static HermiteTables htables;
  static HermiteIntegrals hsum;
  static double prim[kMaxBlocks * shell_size(kPairMaxL) * shell_size(kPairMaxL)];

  for (int eb = 0; eb < b.nexp; ++eb) {
    const LRange rb = exponent_l_range(b, eb);
    if (rb.hi < rb.lo) continue;
    for (int ea = 0; ea < a.nexp; ++ea) {
      const LRange ra = exponent_l_range(a, ea);
      if (ra.hi < ra.lo) continue;
      const GaussianPair g = gaussian_pair(a.exponents[ea], a.centre, b.exponents[eb], b.centre);
      if (g.exponent > x_max) continue;
      if (hermite) {
        hermite_tables(g, rb.hi + extra_b, ra.hi + extra_a, htables);
        attraction_hermite_sum(g, data.charges, ra.hi + rb.hi + (op == PairOperator::attraction ? 0 : 1),
                               hsum);
      } else {
        overlap_tables(g, rb.hi + extra_b, ra.hi + extra_a, tables);
      }
      for (int lb = rb.lo; lb <= rb.hi; ++lb)
        for (int la = ra.lo; la <= ra.hi; ++la) {
          const int nsa = shell_size(la), n = nsa * shell_size(lb);
          bool computed = false;
          for (int sb = 0; sb < b.nshell; ++sb) {
            const double cb = b.coefficients[eb * b.nshell + sb];
            if (cb == 0.0 || b.shell_l[sb] != lb) continue;
            for (int sa = 0; sa < a.nshell; ++sa) {
              const double ca = a.coefficients[ea * a.nshell + sa];
              if (ca == 0.0 || a.shell_l[sa] != la) continue;
              if (!computed) {
                switch (op) {
                  case PairOperator::overlap:
                    overlap_block(tables, lb, la, prim);
                    break;
                  case PairOperator::kinetic:
                    kinetic_block(tables, g, lb, la, prim);
                    break;
                  case PairOperator::moments:
                    moment_block(tables, g, data.origin, lb, la, prim);
                    break;
                  case PairOperator::overlap_derivative:
                    overlap_derivative_block(tables, g, lb, la, prim);
                    break;
                  case PairOperator::kinetic_derivative:
                    kinetic_derivative_block(tables, g, lb, la, prim);
                    break;
                  case PairOperator::moment_derivative:
                    moment_derivative_block(tables, g, data.origin, lb, la, prim, prim + 27 * n);
                    break;
                  case PairOperator::attraction:
                    attraction_block(htables, hsum, lb, la, prim);
                    break;
                  case PairOperator::attraction_derivative:
                    attraction_derivative_block(htables, hsum, g, lb, la, prim, prim + 3 * n);
                    attraction_centre_derivative_block(htables, hsum, lb, la, prim + 6 * n);
                    break;
                }
                computed = true;
              }
              const double c = ca * cb;
              const int row0 = b.shell_first[sb], col0 = a.shell_first[sa];
              for (int blk = 0; blk < nblocks; ++blk) {
                double* dst = out + blk * nab;
                const double* src = prim + blk * n;
                for (int i = 0; i < shell_size(lb); ++i)
                  for (int j = 0; j < nsa; ++j) dst[(row0 + i) * a.nfunc + col0 + j] += c * src[i * nsa + j];
              }
            }
          }
        }
    }
  }
}

}  // namespace ostrel
