#include <cmath>
#include <vector>

#include "support/gaussian_value.hpp"
#include "scf/numint/basis_eval.hpp"
#include "support/fatal_trap.hpp"

namespace ostrel {
namespace {

struct TestShell {
  double exponent[3] = {2.3, 0.71, 0.19};
  double coef[3] = {0.4, -0.9, 0.6};
  double centre[3] = {0.3, -0.2, 0.5};
  GaussianShell shell(int l, int n = 3) const {
    return GaussianShell{l, n, 0, 0, exponent, coef, centre};
  }
};

double direct_value(const GaussianShell& sh, int s, const double p[3]) {
  return testing::gaussian_value(sh.l, s, sh.n_primitives, sh.exponent, sh.coef, sh.centre, p);
}

std::vector<double> eval(const GaussianShell& sh, const double p[3], int order) {
  const int nf = 2 * sh.l + 1;
  std::vector<double> out(basis_derivative_count(order) * nf);
  const double d[3] = {p[0] - sh.centre[0], p[1] - sh.centre[1], p[2] - sh.centre[2]};
  shell_eval(sh, d, order, out.data(), nf);
  return out;
}

TEST(BasisEval, ValuesMatchTheCartesianExpansionOfTheSolidHarmonicsForEveryL) {
  TestShell ts;
  const double points[3][3] = {{0.9, 0.1, -0.4}, {-0.7, 1.3, 1.1}, {0.31, -0.2, 0.48}};
  for (int l = 0; l <= 9; ++l) {
    const GaussianShell sh = ts.shell(l);
    for (const auto& p : points)
      for (int order = 0; order <= 3; ++order) {
        const std::vector<double> v = eval(sh, p, order);
        for (int s = 0; s <= 2 * l; ++s) {
          const double ref = direct_value(sh, s, p);
          EXPECT_NEAR(v[s], ref, 1e-13 * (1 + std::fabs(ref))) << "l=" << l << " s=" << s;
        }
      }
  }
}

// Every order-k block is the central difference of the order-(k-1) block.
TEST(BasisEval, DerivativesMatchCentralDifferencesThroughThirdOrder) {
  TestShell ts;
  const double p0[3] = {0.8, 0.35, -0.45};
  const double h = 1e-4;
  for (int l = 0; l <= 9; ++l) {
    const GaussianShell sh = ts.shell(l);
    const int nf = 2 * l + 1;
    const std::vector<double> full = eval(sh, p0, 3);
    double scale = 0.0;
    for (double x : full) scale = std::max(scale, std::fabs(x));
    for (int k = 1; k < 20; ++k) {
      // k = d/dx_axis of the lower derivative `lower`
      int a = 0, b = 0, c = 0;
      for (int aa = 0; aa <= 3; ++aa)
        for (int bb = 0; aa + bb <= 3; ++bb)
          for (int cc = 0; aa + bb + cc <= 3; ++cc)
            if (aa + bb + cc > 0 && basis_derivative_index(aa, bb, cc) == k) a = aa, b = bb, c = cc;
      const int axis = a > 0 ? 0 : (b > 0 ? 1 : 2);
      const int lower = basis_derivative_index(a - (axis == 0), b - (axis == 1), c - (axis == 2));
      const int order = a + b + c - 1;
      double pp[3] = {p0[0], p0[1], p0[2]}, pm[3] = {p0[0], p0[1], p0[2]};
      pp[axis] += h;
      pm[axis] -= h;
      const std::vector<double> vp = eval(sh, pp, order), vm = eval(sh, pm, order);
      for (int s = 0; s < nf; ++s) {
        const double fd = (vp[lower * nf + s] - vm[lower * nf + s]) / (2 * h);
        EXPECT_NEAR(full[k * nf + s], fd, 2e-7 * scale) << "l=" << l << " k=" << k << " s=" << s;
      }
    }
  }
}

// The block evaluator of the grid passes against the single-point one: the leading
// blocks of every order, zeros beyond the extent; kernels stop at l = 9 and third order.
TEST(BasisEval, PointsAgreeWithSinglePointsThroughSecondOrderAndZeroBeyondTheExtent) {
  TestShell ts;
  const double points[9] = {-0.4, 0.9, 0.2, 0.31, -0.2, 0.48, 9.0, 0.0, 0.0};
  for (int l = 0; l <= 9; ++l) {
    const GaussianShell sh = ts.shell(l);
    const int nf = 2 * l + 1;
    const double extent2 = 30.0;  // the third point lies beyond
    for (int order = 0; order <= 2; ++order) {
      const int count = basis_derivative_count(order);
      std::vector<double> out(count * 3 * nf, -1.0);
      shell_eval_points(sh, extent2, points, 3, order, out.data(), nf, 3 * nf);
      for (int p = 0; p < 3; ++p) {
        const std::vector<double> full = eval(sh, points + 3 * p, 3);
        for (int k = 0; k < count; ++k)
          for (int s = 0; s < nf; ++s) {
            const double v = out[k * 3 * nf + p * nf + s];
            if (p == 2) {
              EXPECT_EQ(v, 0.0);
            } else {
              EXPECT_NEAR(v, full[k * nf + s], 1e-14 * (1 + std::fabs(full[k * nf + s]))) << l << " " << k;
            }
          }
      }
    }
  }
  const double d[3] = {0.1, 0.2, 0.3};
  double out[20 * 21];
  EXPECT_FATAL(shell_eval(ts.shell(10), d, 0, out, 21), "no basis evaluation kernel for l = 10, order 0");
  EXPECT_FATAL(shell_eval(ts.shell(1), d, 4, out, 3), "l = 1, order 4");
}

TEST(BasisEval, FunctionsStayBelowTheThresholdBeyondTheirExtent) {
  TestShell ts;
  for (int l = 0; l <= 6; ++l) {
    const GaussianShell sh = ts.shell(l);
    for (double thr : {1e-4, 1e-8, 1e-12}) {
      const double r = std::sqrt(shell_extent2(sh, thr));
      ASSERT_GT(r, 0.0);
      double largest_out = 0.0, largest_in = 0.0;
      for (int i = 0; i < 200; ++i) {
        const double th = std::acos(1 - 2 * (i + 0.5) / 200), ph = 2.4 * i;
        const double u[3] = {std::sin(th) * std::cos(ph), std::sin(th) * std::sin(ph), std::cos(th)};
        for (double f : {1.0, 1.1, 1.5}) {
          const double p[3] = {sh.centre[0] + f * r * u[0], sh.centre[1] + f * r * u[1], sh.centre[2] + f * r * u[2]};
          for (int s = 0; s <= 2 * l; ++s) largest_out = std::max(largest_out, std::fabs(direct_value(sh, s, p)));
        }
        const double p[3] = {sh.centre[0] + 0.8 * r * u[0], sh.centre[1] + 0.8 * r * u[1], sh.centre[2] + 0.8 * r * u[2]};
        for (int s = 0; s <= 2 * l; ++s) largest_in = std::max(largest_in, std::fabs(direct_value(sh, s, p)));
      }
      EXPECT_LT(largest_out, thr) << "l=" << l;
      EXPECT_GT(largest_in, 0.1 * thr) << "l=" << l;  // the extent is not wildly loose
    }
  }
}

}  // namespace
}  // namespace ostrel
