#include "integrals/nuclear_attraction.hpp"

#include <cmath>

namespace ostrel {

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

void nuclear_attraction_shell_pair(const Shell& b, const Shell& a, std::span<const PointCharge> charges,
                                   double* out) {
  const int n = shell_size(b.l) * shell_size(a.l);
  for (int i = 0; i < n; ++i) out[i] = 0.0;
  static HermiteTables h;
  static HermiteIntegrals r;
  double block[shell_size(kPairMaxL) * shell_size(kPairMaxL)];
  for_each_primitive_pair(b, a, [&](const GaussianPair& g, double c) {
    hermite_tables(g, b.l, a.l, h);
    attraction_hermite_sum(g, charges, a.l + b.l, r);
    attraction_block(h, r, b.l, a.l, block);
    for (int i = 0; i < n; ++i) out[i] += c * block[i];
  });
}

void nuclear_attraction_derivative_shell_pair(const Shell& b, const Shell& a, const PointCharge& charge,
                                              double* out_b, double* out_a, double* out_c) {
  const int n = 3 * shell_size(b.l) * shell_size(a.l);
  for (int i = 0; i < n; ++i) out_b[i] = out_a[i] = out_c[i] = 0.0;
  static HermiteTables h;
  static HermiteIntegrals r;
  static double block[3][3 * shell_size(kPairMaxL) * shell_size(kPairMaxL)];
  for_each_primitive_pair(b, a, [&](const GaussianPair& g, double c) {
    hermite_tables(g, b.l + 1, a.l + 1, h);
    attraction_hermite_sum(g, std::span<const PointCharge>(&charge, 1), a.l + b.l + 1, r);
    attraction_derivative_block(h, r, g, b.l, a.l, block[0], block[1]);
    attraction_centre_derivative_block(h, r, b.l, a.l, block[2]);
    for (int i = 0; i < n; ++i) {
      out_b[i] += c * block[0][i];
      out_a[i] += c * block[1][i];
      out_c[i] += c * block[2][i];
    }
  });
}

}  // namespace ostrel
