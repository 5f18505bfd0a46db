#include "integrals/one_electron_matrices.hpp"

#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

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
