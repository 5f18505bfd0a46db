#include "models/mm/mm_local_term.hpp"

#include <cstring>

namespace ostrel {

int MmLocalTerm::add(const double* xyz, int type, int a, int b_, int c, int d) {
  const int local[4] = {a, b_, c, d};
  InternalCoordinate q{type, -1, -1, -1, -1};
  int* slots[4] = {&q.i, &q.j, &q.k, &q.l};
  for (int s = 0; s < 4; ++s)
    if (local[s] >= 0) *slots[s] = atoms[local[s]];
  double row[B_ROW], second_row[B_SECOND];
  const int k = count++;
  value[k] = coordinate_value(q, xyz, row, this->second ? second_row : nullptr);
  // Kernel slots to term-local cartesians.
  int map[12];
  for (int p = 0; p < 12; ++p) map[p] = local[p / 3] < 0 ? -1 : 3 * local[p / 3] + p % 3;
  std::memset(b[k], 0, sizeof b[k]);
  std::memset(d2[k], 0, sizeof d2[k]);
  for (int p = 0; p < 12; ++p)
    if (map[p] >= 0) b[k][map[p]] = row[p];
  if (!this->second) return k;
  for (int p = 0; p < 12; ++p)
    for (int r = 0; r <= p; ++r) {
      if (map[p] < 0 || map[r] < 0) continue;
      const int hi = map[p] > map[r] ? map[p] : map[r], lo = map[p] > map[r] ? map[r] : map[p];
      d2[k][hi * (hi + 1) / 2 + lo] += second_row[p * (p + 1) / 2 + r];
    }
  return k;
}

void mm_add_term(const MmLocalTerm& t, const double* e1, const double (*e2)[MmLocalTerm::kMax], double* gradient,
                 double* hessian) {
  const int m = 3 * t.n_atoms;
  for (int p = 0; p < m; ++p) {
    double g = 0.0;
    for (int k = 0; k < t.count; ++k) g += e1[k] * t.b[k][p];
    gradient[3 * t.atoms[p / 3] + p % 3] += g;
  }
  if (!t.second || !hessian) return;
  for (int p = 0; p < m; ++p) {
    const long long gp = 3LL * t.atoms[p / 3] + p % 3;
    for (int r = 0; r < m; ++r) {
      const long long gr = 3LL * t.atoms[r / 3] + r % 3;
      if (gr > gp) continue;
      const int hi = p > r ? p : r, lo = p > r ? r : p;
      double h = 0.0;
      for (int k = 0; k < t.count; ++k) {
        h += e1[k] * t.d2[k][hi * (hi + 1) / 2 + lo];
        for (int l = 0; l < t.count; ++l) h += e2[k][l] * t.b[k][p] * t.b[l][r];
      }
      hessian[gp * (gp + 1) / 2 + gr] += h;
    }
  }
}

}  // namespace ostrel
