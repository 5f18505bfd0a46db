#include "integrals/one_electron_kernels.hpp"

#include <cmath>

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

void attraction_hermite_sum(const GaussianPair& g, std::span<const PointCharge> charges, int l,
                            HermiteIntegrals& out) {
  hermite_clear(l, out);
  // 2 pi / p exp(-X): the Coulomb integral of a Hermite Gaussian with a point charge.
  const double base = -6.283185307179586 / g.p * g.gaussian;
  for (const PointCharge& c : charges) {
    if (c.charge == 0.0) continue;
    double rho = g.p;
    double scale = base * c.charge;
    if (c.exponent != 0.0) {
      rho = g.p * c.exponent / (g.p + c.exponent);
      scale *= std::sqrt(rho / g.p);
    }
    const double pc[3] = {g.P[0] - c.position[0], g.P[1] - c.position[1], g.P[2] - c.position[2]};
    hermite_coulomb_add(rho, pc, scale, out);
  }
}

void attraction_block(const HermiteTables& h, const HermiteIntegrals& r, int lb, int la, double* out) {
  spherical_block(
      lb, la, [&](const int* pb, const int* pa) { return hermite_contract(h, r, pb, pa); }, out);
}

void attraction_derivative_block(const HermiteTables& h, const HermiteIntegrals& r, const GaussianPair& g,
                                 int lb, int la, double* out_b, double* out_a) {
  const int n = shell_size(lb) * shell_size(la);
  for (int k = 0; k < 3; ++k) {
    spherical_block(
        lb, la,
        [&](const int* pb, const int* pa) {
          int up[3] = {pb[0], pb[1], pb[2]};
          ++up[k];
          double v = 2.0 * g.b * hermite_contract(h, r, up, pa);
          if (pb[k] > 0) {
            up[k] -= 2;
            v -= pb[k] * hermite_contract(h, r, up, pa);
          }
          return v;
        },
        out_b + k * n);
    spherical_block(
        lb, la,
        [&](const int* pb, const int* pa) {
          int up[3] = {pa[0], pa[1], pa[2]};
          ++up[k];
          double v = 2.0 * g.a * hermite_contract(h, r, pb, up);
          if (pa[k] > 0) {
            up[k] -= 2;
            v -= pa[k] * hermite_contract(h, r, pb, up);
          }
          return v;
        },
        out_a + k * n);
  }
}

void attraction_centre_derivative_block(const HermiteTables& h, const HermiteIntegrals& r, int lb, int la,
                                        double* out_c) {
  const int n = shell_size(lb) * shell_size(la);
  for (int k = 0; k < 3; ++k)
    spherical_block(
        lb, la,
        [&](const int* pb, const int* pa) {
          // R depends on P - C, so d/dC = -d/dP, one Hermite order up.
          return -hermite_contract(h, r, pb, pa, k == 0, k == 1, k == 2);
        },
        out_c + k * n);
}

}  // namespace ostrel
