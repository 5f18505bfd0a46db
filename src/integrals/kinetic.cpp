#include "integrals/kinetic.hpp"

namespace ostrel {
namespace {

// One-dimensional kinetic factor; i is the power on B (exponent b), j on A (exponent a).
double kinetic_1d(const double (*s)[kOsPowers], const GaussianPair& g, int i, int j) {
  double v = 4.0 * g.a * g.b * s[i + 1][j + 1];
  if (i > 0) v -= 2.0 * g.a * i * s[i - 1][j + 1];
  if (j > 0) v -= 2.0 * g.b * j * s[i + 1][j - 1];
  if (i > 0 && j > 0) v += i * j * s[i - 1][j - 1];
  return 0.5 * v;
}

double derivative_1d_overlap(const double (*s)[kOsPowers], const GaussianPair& g, int i, int j) {
  double f = 2.0 * g.b * s[i + 1][j];
  if (i > 0) f -= i * s[i - 1][j];
  return f;
}

double derivative_1d_kinetic(const double (*s)[kOsPowers], const GaussianPair& g, int i, int j) {
  double f = 2.0 * g.b * kinetic_1d(s, g, i + 1, j);
  if (i > 0) f -= i * kinetic_1d(s, g, i - 1, j);
  return f;
}

}  // namespace

void kinetic_block(const OverlapTables& t, const GaussianPair& g, int lb, int la, double* out) {
  spherical_block(
      lb, la,
      [&](const int* pb, const int* pa) {
        double s[3], k[3];
        for (int d = 0; d < 3; ++d) {
          s[d] = t.s[d][pb[d]][pa[d]];
          k[d] = kinetic_1d(t.s[d], g, pb[d], pa[d]);
        }
        return k[0] * s[1] * s[2] + s[0] * k[1] * s[2] + s[0] * s[1] * k[2];
      },
      out);
}

void kinetic_derivative_block(const OverlapTables& t, const GaussianPair& g, int lb, int la, double* out) {
  const int n = shell_size(lb) * shell_size(la);
  for (int x = 0; x < 3; ++x)
    spherical_block(
        lb, la,
        [&](const int* pb, const int* pa) {
          // Differentiate the factors of direction x in each of the three products.
          double s[3], k[3];
          for (int d = 0; d < 3; ++d) {
            if (d == x) {
              s[d] = derivative_1d_overlap(t.s[d], g, pb[d], pa[d]);
              k[d] = derivative_1d_kinetic(t.s[d], g, pb[d], pa[d]);
            } else {
              s[d] = t.s[d][pb[d]][pa[d]];
              k[d] = kinetic_1d(t.s[d], g, pb[d], pa[d]);
            }
          }
          return k[0] * s[1] * s[2] + s[0] * k[1] * s[2] + s[0] * s[1] * k[2];
        },
        out + x * n);
}

void kinetic_shell_pair(const Shell& b, const Shell& a, double* out) {
  const int n = shell_size(b.l) * shell_size(a.l);
  for (int i = 0; i < n; ++i) out[i] = 0.0;
  OverlapTables t;
  double block[shell_size(kPairMaxL) * shell_size(kPairMaxL)];
  for_each_primitive_pair(b, a, [&](const GaussianPair& g, double c) {
    overlap_tables(g, b.l + 1, a.l + 1, t);
    kinetic_block(t, g, b.l, a.l, block);
    for (int i = 0; i < n; ++i) out[i] += c * block[i];
  });
}

void kinetic_derivative_shell_pair(const Shell& b, const Shell& a, double* out) {
  const int n = 3 * shell_size(b.l) * shell_size(a.l);
  for (int i = 0; i < n; ++i) out[i] = 0.0;
  OverlapTables t;
  double block[3 * shell_size(kPairMaxL) * shell_size(kPairMaxL)];
  for_each_primitive_pair(b, a, [&](const GaussianPair& g, double c) {
    overlap_tables(g, b.l + 2, a.l + 1, t);
    kinetic_derivative_block(t, g, b.l, a.l, block);
    for (int i = 0; i < n; ++i) out[i] += c * block[i];
  });
}

}  // namespace ostrel
