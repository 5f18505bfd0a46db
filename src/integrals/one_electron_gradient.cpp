#include "integrals/one_electron_gradient.hpp"

#include "runtime/pool.hpp"

namespace ostrel {
namespace {

double packed_at(const double* m, long i, long j) {
  return i >= j ? m[i * (i + 1) / 2 + j] : m[j * (j + 1) / 2 + i];
}

int largest_atom(const AtomSet& set) {
  int largest = 0;
  for (int i = 0; i < set.natom; ++i) largest = std::max(largest, set.atoms[i].nfunc);
  return largest;
}

// Density block of the pair (rows: functions of B, columns: functions of A), times the
// pair's weight in the symmetric sum (2 for distinct atoms).
void density_block(const AtomSet& set, const double* d, int ib, int ia, double* out) {
  const int na = set.atoms[ia].nfunc, nb = set.atoms[ib].nfunc;
  const int fa = set.first_function[ia], fb = set.first_function[ib];
  const double weight = ia == ib ? 1.0 : 2.0;
  for (int i = 0; i < nb; ++i)
    for (int j = 0; j < na; ++j) out[i * na + j] = weight * packed_at(d, fb + i, fa + j);
}

double dot(const double* x, const double* y, int n) {
  double s = 0.0;
  for (int i = 0; i < n; ++i) s += x[i] * y[i];
  return s;
}

// Derivative operators whose d/dA is -d/dB: only distinct atoms contribute.
void two_centre_gradient(PairOperator op, const AtomSet& set, double epsilon, const double* d, int first_atom,
                         int atom_stride, double* grad) {
  const int largest = largest_atom(set);
  PoolArray<double> dens(static_cast<long>(largest) * largest);
  PoolArray<double> blocks(3L * largest * largest);
  const PairOperatorData none;
  for (int ia = first_atom; ia < set.natom; ia += atom_stride)
    for (int ib = 0; ib < ia; ++ib) {
      const int n = set.atoms[ia].nfunc * set.atoms[ib].nfunc;
      if (n == 0) continue;
      density_block(set, d, ib, ia, dens.data());
      for (int i = 0; i < 3 * n; ++i) blocks[i] = 0.0;
      add_pair_blocks(op, set.atoms[ib], set.atoms[ia], epsilon, none, blocks.data());
      for (int k = 0; k < 3; ++k) {
        const double g = dot(dens.data(), blocks.data() + k * n, n);
        grad[3 * ib + k] += g;
        grad[3 * ia + k] -= g;
      }
    }
}

}  // namespace

void overlap_gradient(const AtomSet& set, double epsilon, const double* w, int first_atom, int atom_stride,
                      double* grad) {
  two_centre_gradient(PairOperator::overlap_derivative, set, epsilon, w, first_atom, atom_stride, grad);
}

void kinetic_gradient(const AtomSet& set, double epsilon, const double* d, int first_atom, int atom_stride,
                      double* grad) {
  two_centre_gradient(PairOperator::kinetic_derivative, set, epsilon, d, first_atom, atom_stride, grad);
}

void attraction_gradient(const AtomSet& set, std::span<const PointCharge> nuclei, double epsilon,
                         const double* d, const double* repulsion, int first_atom, int atom_stride,
                         double* grad) {
  if (repulsion && first_atom == 0)
    for (int i = 0; i < 3 * set.natom; ++i) grad[i] += repulsion[i];
  const int largest = largest_atom(set);
  PoolArray<double> dens(static_cast<long>(largest) * largest);
  PoolArray<double> blocks(9L * largest * largest);
  for (int ia = first_atom; ia < set.natom; ia += atom_stride)
    for (int ib = 0; ib <= ia; ++ib) {
      const int n = set.atoms[ia].nfunc * set.atoms[ib].nfunc;
      if (n == 0) continue;
      density_block(set, d, ib, ia, dens.data());
      for (int c = 0; c < static_cast<int>(nuclei.size()); ++c) {
        if (nuclei[c].charge == 0.0) continue;
        PairOperatorData data;
        data.charges = nuclei.subspan(c, 1);
        for (int i = 0; i < 9 * n; ++i) blocks[i] = 0.0;
        add_pair_blocks(PairOperator::attraction_derivative, set.atoms[ib], set.atoms[ia], epsilon, data,
                        blocks.data());
        const int owner[3] = {ib, ia, c};
        for (int part = 0; part < 3; ++part)
          for (int k = 0; k < 3; ++k)
            grad[3 * owner[part] + k] += dot(dens.data(), blocks.data() + (3 * part + k) * n, n);
      }
    }
}

void dipole_derivatives(const AtomSet& set, const double* origin, double epsilon, const double* d,
                        int first_atom, int atom_stride, double* out) {
  const int largest = largest_atom(set);
  PoolArray<double> dens(static_cast<long>(largest) * largest);
  PoolArray<double> blocks(54L * largest * largest);
  PairOperatorData data;
  data.origin = origin;
  for (int ia = first_atom; ia < set.natom; ia += atom_stride)
    for (int ib = 0; ib <= ia; ++ib) {
      const int n = set.atoms[ia].nfunc * set.atoms[ib].nfunc;
      if (n == 0) continue;
      density_block(set, d, ib, ia, dens.data());
      for (int i = 0; i < 54 * n; ++i) blocks[i] = 0.0;
      add_pair_blocks(PairOperator::moment_derivative, set.atoms[ib], set.atoms[ia], epsilon, data,
                      blocks.data());
      for (int op = 0; op < 3; ++op)
        for (int k = 0; k < 3; ++k) {
          out[(ib * 3 + k) * 3 + op] += dot(dens.data(), blocks.data() + (op * 3 + k) * n, n);
          out[(ia * 3 + k) * 3 + op] += dot(dens.data(), blocks.data() + (27 + op * 3 + k) * n, n);
        }
    }
}

}  // namespace ostrel
