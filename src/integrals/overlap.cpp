#include "integrals/overlap.hpp"

namespace ostrel {

void overlap_block(const OverlapTables& t, int lb, int la, double* out) {
  spherical_block(
      lb, la,
      [&](const int* pb, const int* pa) {
        return t.s[0][pb[0]][pa[0]] * t.s[1][pb[1]][pa[1]] * t.s[2][pb[2]][pa[2]];
      },
      out);
}

void overlap_derivative_block(const OverlapTables& t, const GaussianPair& g, int lb, int la, double* out) {
  const int n = shell_size(lb) * shell_size(la);
  for (int k = 0; k < 3; ++k)
    spherical_block(
        lb, la,
        [&](const int* pb, const int* pa) {
          double v = 1.0;
          for (int d = 0; d < 3; ++d) {
            const int i = pb[d], j = pa[d];
            if (d == k) {
              double f = 2.0 * g.b * t.s[d][i + 1][j];
              if (i > 0) f -= i * t.s[d][i - 1][j];
              v *= f;
            } else {
              v *= t.s[d][i][j];
            }
          }
          return v;
        },
        out + k * n);
}

void overlap_shell_pair(const Shell& b, const Shell& a, double* out) {
  const int n = shell_size(b.l) * shell_size(a.l);
  for (int i = 0; i < n; ++i) out[i] = 0.0;
  OverlapTables t;
  double block[shell_size(kPairMaxL) * shell_size(kPairMaxL)];
  for_each_primitive_pair(b, a, [&](const GaussianPair& g, double c) {
    overlap_tables(g, b.l, a.l, t);
    overlap_block(t, b.l, a.l, block);
    for (int i = 0; i < n; ++i) out[i] += c * block[i];
  });
}

void overlap_derivative_shell_pair(const Shell& b, const Shell& a, double* out) {
  const int n = 3 * shell_size(b.l) * shell_size(a.l);
  for (int i = 0; i < n; ++i) out[i] = 0.0;
  OverlapTables t;
  double block[3 * shell_size(kPairMaxL) * shell_size(kPairMaxL)];
  for_each_primitive_pair(b, a, [&](const GaussianPair& g, double c) {
    overlap_tables(g, b.l + 1, a.l, t);
    overlap_derivative_block(t, g, b.l, a.l, block);
    for (int i = 0; i < n; ++i) out[i] += c * block[i];
  });
}

}  // namespace ostrel
