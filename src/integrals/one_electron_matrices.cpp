#include "integrals/one_electron_matrices.hpp"

#include <cmath>

#include "integrals/obara_saika.hpp"
#include "integrals/one_electron_kernels.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

namespace {

constexpr int kMaxBlocks = 54;

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

// The primitive blocks of operator `op` for shells of L lb on B and la on A, one after the
// other in `prim`.
void primitive_blocks(PairOperator op, const OverlapTables& tables, const HermiteTables& htables,
                      const HermiteIntegrals& hsum, const GaussianPair& g, const PairOperatorData& data, int lb,
                      int la, double* prim) {
  const int n = shell_size(la) * shell_size(lb);
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
}

}  // namespace

ExponentL exponent_l(const AtomFunctions& f, int e) {
  ExponentL r{kPairMaxL + 1, -1};
  for (int s = 0; s < f.nshell; ++s)
    if (f.coefficients[e * f.nshell + s] != 0.0) {
      r.lo = std::min(r.lo, f.shell_l[s]);
      r.hi = std::max(r.hi, f.shell_l[s]);
    }
  return r;
}

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

  for_each_exponent_pair(b, a, x_max, [&](int eb, int ea, ExponentL rb, ExponentL ra, const GaussianPair& g) {
    if (hermite) {
      hermite_tables(g, rb.hi + extra_b, ra.hi + extra_a, htables);
      attraction_hermite_sum(g, data.charges, ra.hi + rb.hi + (op == PairOperator::attraction ? 0 : 1), hsum);
    } else {
      overlap_tables(g, rb.hi + extra_b, ra.hi + extra_a, tables);
    }
    for (int lb = rb.lo; lb <= rb.hi; ++lb)
      for (int la = ra.lo; la <= ra.hi; ++la) {
        const int nsa = shell_size(la), n = nsa * shell_size(lb);
        bool computed = false;
        for_each_shell_pair(b, eb, lb, a, ea, la, [&](int sb, int sa, double cb, double ca) {
          if (!computed) {
            primitive_blocks(op, tables, htables, hsum, g, data, lb, la, prim);
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
        });
      }
  });
}

void add_packed_matrices(PairOperator op, const AtomSet& set, double epsilon, const PairOperatorData& data,
                         int first_atom, int atom_stride, double* packed) {
  if (op != PairOperator::overlap && op != PairOperator::kinetic && op != PairOperator::attraction &&
      op != PairOperator::moments)
    fatal_error("\n %d: packed matrices of a derivative operator\n", node_id);
  const int nblocks = pair_operator_blocks(op);
  const long n2 = packed_size(set.first_function[set.natom]);
  int largest = 0;
  for (int i = 0; i < set.natom; ++i) largest = std::max(largest, set.atoms[i].nfunc);
  PoolArray<double> block(static_cast<long>(nblocks) * largest * largest);
  for (int ia = first_atom; ia < set.natom; ia += atom_stride) {
    const AtomFunctions& a = set.atoms[ia];
    if (a.nfunc == 0) continue;
    for (int ib = 0; ib <= ia; ++ib) {
      const AtomFunctions& b = set.atoms[ib];
      if (b.nfunc == 0) continue;
      const int nab = a.nfunc * b.nfunc;
      for (long i = 0; i < static_cast<long>(nblocks) * nab; ++i) block[i] = 0.0;
      add_pair_blocks(op, b, a, epsilon, data, block.data());
      const int fa = set.first_function[ia], fb = set.first_function[ib];
      for (int k = 0; k < nblocks; ++k) {
        double* dst = packed + k * n2;
        const double* src = block.data() + static_cast<long>(k) * nab;
        for (int j = 0; j < a.nfunc; ++j) {
          const long row = fa + j;
          const int top = ia == ib ? j + 1 : b.nfunc;  // lower triangle only
          for (int i = 0; i < top; ++i) dst[row * (row + 1) / 2 + fb + i] += src[i * a.nfunc + j];
        }
      }
    }
  }
}

}  // namespace ostrel
