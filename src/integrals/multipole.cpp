#include "integrals/multipole.hpp"

namespace ostrel {
namespace {

// Powers of x, y, z in each moment operator.
constexpr int kPowers[kMomentCount][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {2, 0, 0}, {1, 1, 0},
                                          {1, 0, 1}, {0, 2, 0}, {0, 1, 1}, {0, 0, 2}};

// One-dimensional moment (x - O)^e between (x - B)^i and (x - A)^j, with x - O = (x - B) + (B - O).
double moment_1d(const double (*s)[kOsPowers], double bo, int e, int i, int j) {
  if (e == 0) return s[i][j];
  if (e == 1) return s[i + 1][j] + bo * s[i][j];
  return s[i + 2][j] + 2.0 * bo * s[i + 1][j] + bo * bo * s[i][j];
}

}  // namespace

void moment_block(const OverlapTables& t, const GaussianPair& g, const double* origin, int lb, int la,
                  double* out) {
  const int n = shell_size(lb) * shell_size(la);
  double bo[3];
  for (int d = 0; d < 3; ++d) bo[d] = g.B[d] - origin[d];
  for (int op = 0; op < kMomentCount; ++op)
    spherical_block(
        lb, la,
        [&](const int* pb, const int* pa) {
          double v = 1.0;
          for (int d = 0; d < 3; ++d) v *= moment_1d(t.s[d], bo[d], kPowers[op][d], pb[d], pa[d]);
          return v;
        },
        out + op * n);
}

void moment_derivative_block(const OverlapTables& t, const GaussianPair& g, const double* origin, int lb,
                             int la, double* out_b, double* out_a) {
  const int n = shell_size(lb) * shell_size(la);
  double bo[3];
  for (int d = 0; d < 3; ++d) bo[d] = g.B[d] - origin[d];
  for (int op = 0; op < kMomentCount; ++op)
    for (int k = 0; k < 3; ++k)
      for (int side = 0; side < 2; ++side)
        spherical_block(
            lb, la,
            [&](const int* pb, const int* pa) {
              double v = 1.0;
              for (int d = 0; d < 3; ++d) {
                const int e = kPowers[op][d], i = pb[d], j = pa[d];
                if (d != k) {
                  v *= moment_1d(t.s[d], bo[d], e, i, j);
                } else if (side == 0) {
                  double f = 2.0 * g.b * moment_1d(t.s[d], bo[d], e, i + 1, j);
                  if (i > 0) f -= i * moment_1d(t.s[d], bo[d], e, i - 1, j);
                  v *= f;
                } else {
                  double f = 2.0 * g.a * moment_1d(t.s[d], bo[d], e, i, j + 1);
                  if (j > 0) f -= j * moment_1d(t.s[d], bo[d], e, i, j - 1);
                  v *= f;
                }
              }
              return v;
            },
            (side == 0 ? out_b : out_a) + (op * 3 + k) * n);
}

void moment_shell_pair(const Shell& b, const Shell& a, const double* origin, double* out) {
  const int n = kMomentCount * shell_size(b.l) * shell_size(a.l);
  for (int i = 0; i < n; ++i) out[i] = 0.0;
  OverlapTables t;
  double block[kMomentCount * shell_size(kPairMaxL) * shell_size(kPairMaxL)];
  for_each_primitive_pair(b, a, [&](const GaussianPair& g, double c) {
    overlap_tables(g, b.l + 2, a.l, t);
    moment_block(t, g, origin, b.l, a.l, block);
    for (int i = 0; i < n; ++i) out[i] += c * block[i];
  });
}

void moment_derivative_shell_pair(const Shell& b, const Shell& a, const double* origin, double* out_b,
                                  double* out_a) {
  const int n = 3 * kMomentCount * shell_size(b.l) * shell_size(a.l);
  for (int i = 0; i < n; ++i) out_b[i] = out_a[i] = 0.0;
  OverlapTables t;
  static double block_b[3 * kMomentCount * shell_size(kPairMaxL) * shell_size(kPairMaxL)];
  static double block_a[3 * kMomentCount * shell_size(kPairMaxL) * shell_size(kPairMaxL)];
  for_each_primitive_pair(b, a, [&](const GaussianPair& g, double c) {
    overlap_tables(g, b.l + 3, a.l + 1, t);
    moment_derivative_block(t, g, origin, b.l, a.l, block_b, block_a);
    for (int i = 0; i < n; ++i) {
      out_b[i] += c * block_b[i];
      out_a[i] += c * block_a[i];
    }
  });
}

}  // namespace ostrel
