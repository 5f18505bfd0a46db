// Derivatives of the point evaluation against central differences of the order below it, and
// behaviour of the density regularisation.
#include <algorithm>
#include <string>
#include <vector>

#include "scf/xc/xc_exchange.hpp"
#include "scf/xc/xc_regularise.hpp"
#include "scf/xc/xc_full_tensors.hpp"

namespace ostrel {
namespace {

using testing::FullDerivatives;
using testing::spread;

constexpr double kSmall = 1e-7;

XcFunctional codes(int x_code, int c_code, double p2 = 0) { return testing::by_codes(x_code, c_code, 0, 0, p2); }

struct Point {
  const char* what;
  double u[8];  // alpha rho, gx, gy, gz, beta rho, gx, gy, gz
  bool closed;
};

// Closed and open shells, both regularisation branches below 36 x small, a density under the
// floor, a negative (fitted) density, small and large reduced gradients, high density.
const Point kPoints[] = {
    {"closed shell", {0.2, 0.1, -0.2, 0.15, 0.2, 0.1, -0.2, 0.15}, true},
    {"open shell", {0.35, 0.3, 0.1, -0.2, 0.12, -0.05, 0.08, 0.1}, false},
    {"small reduced gradient", {0.5, 0.05, 0.02, 0.0, 0.4, -0.03, 0.01, 0.02}, false},
    {"large reduced gradient", {0.01, 0.2, 0.1, 0.0, 0.004, 0.05, -0.07, 0.02}, false},
    {"high density", {10.0, 4.0, -3.0, 2.0, 7.0, 1.0, 5.0, -2.5}, false},
    {"both spins in the logarithmic branch", {8e-7, 1e-6, -2e-6, 5e-7, 3e-7, -4e-7, 2e-7, 1e-7}, false},
    {"one spin in the quadratic branch", {0.05, 0.02, 0.01, -0.03, 5e-11, 1e-11, 0.0, 2e-11}, false},
    {"one spin under the floor", {0.08, 0.03, -0.01, 0.02, 1e-17, 1e-17, 2e-17, 0.0}, false},
    {"negative fitted density", {0.03, 0.01, 0.02, 0.0, -1e-8, 3e-9, -1e-9, 2e-9}, false},
    {"closed shell, logarithmic branch", {2e-6, 3e-6, 1e-6, -2e-6, 2e-6, 3e-6, 1e-6, -2e-6}, true},
};

struct Eval { double e; FullDerivatives d; };

Eval run(const XcFunctional& f, const double u[8], bool closed, int order) {
  double ex, ec;
  XcDerivatives d{};
  xc_point(f, u, closed ? u : u + 4, &ex, &ec, &d, order, kSmall);
  return {ex + ec, spread(d, order)};
}

// Step of each variable: a thousandth of its natural size (the density, or the length of the
// spin's gradient for a gradient component).
double step(const double u[8], int i) {
  const int s = i / 4 * 4;
  if (i % 4 == 0) return 1e-3 * std::fabs(u[i]);
  const double g = std::sqrt(u[s + 1] * u[s + 1] + u[s + 2] * u[s + 2] + u[s + 3] * u[s + 3]);
  return 1e-3 * std::max(std::fabs(u[i]), g);
}

// Fourth-order central difference of `value` along variable i. For a closed shell a move of
// one spin's variable moves the shared array, so those points are evaluated as open shells.
template <class F>
auto difference(const double u[8], int i, F value) {
  const double h = step(u, i);
  auto at = [&](double t) {
    double v[8];
    std::copy(u, u + 8, v);
    v[i] += t;
    return value(v);
  };
  auto p1 = at(h), m1 = at(-h), p2 = at(2 * h), m2 = at(-2 * h);
  for (std::size_t k = 0; k < p1.size(); ++k)
    p1[k] = (8 * (p1[k] - m1[k]) - (p2[k] - m2[k])) / (12 * h);
  return p1;
}

// Largest error of an analytic derivative tensor against its finite-difference counterpart,
// per entry relative to the entry, with entries measured in units of the variables' natural
// sizes. Entries below 1e-6 of the larger of the largest entry and the point's Slater exchange
// energy density count as that size (1e-6: rounding in the differences is about 1e-13 of the
// largest): LYP, for one, vanishes for a polarised density by
// cancellation, and what is left there is rounding.
struct Tally {
  double worst = 0;
  std::string where;
  void add(double analytic, double numeric, double unit, double largest, const std::string& at) {
    const double a = analytic * unit, n = numeric * unit;
    const double err = std::fabs(a - n) / std::max(std::fabs(a), 1e-6 * largest);
    if (err > worst) {
      worst = err;
      where = at;
    }
  }
};

double unit(const double u[8], std::initializer_list<int> idx) {
  double s = 1;
  for (int i : idx) s *= step(u, i) * 1e3;
  return s;
}

struct Functional { std::string name; XcFunctional f; };

std::vector<Functional> all_functionals() {
  std::vector<Functional> list;
  for (int x = 1; x <= 7; ++x) list.push_back({"exchange " + std::to_string(x), codes(x, 0)});
  for (int c = 1; c <= 9; ++c) list.push_back({"correlation " + std::to_string(c), codes(0, c, 0.81)});
  for (const char* name : {"B3LYP", "B3PBE", "PBE1"}) list.push_back({name, testing::named_functional(name)});
  return list;
}

TEST(XcPoint, DerivativesOfEveryOrderMatchDifferencesOfTheOrderBelow) {
  Tally t1, t2, t3;
  for (const Functional& fn : all_functionals())
    for (const Point& pt : kPoints) {
      const double* u = pt.u;
      const std::string at = fn.name + ", " + pt.what;
      const Eval e3 = run(fn.f, u, pt.closed, 3);
      double slater, ec;
      xc_point(codes(1, 0), u, pt.closed ? u : u + 4, &slater, &ec, nullptr, 0, kSmall);
      double l1 = std::fabs(slater), l2 = l1, l3 = l1;
      for (int i = 0; i < 8; ++i) {
        l1 = std::max(l1, std::fabs(e3.d.d1[i]) * unit(u, {i}));
        for (int j = 0; j < 8; ++j) {
          l2 = std::max(l2, std::fabs(e3.d.d2[i][j]) * unit(u, {i, j}));
          for (int k = 0; k < 8; ++k)
            l3 = std::max(l3, std::fabs(e3.d.d3[i][j][k]) * unit(u, {i, j, k}));
        }
      }
      for (int i = 0; i < 8; ++i) {
        if (step(u, i) == 0) continue;
        const auto g0 = difference(u, i, [&](const double* v) {
          return std::array<double, 1>{run(fn.f, v, false, 0).e};
        });
        t1.add(e3.d.d1[i], g0[0], unit(u, {i}), l1, at + ", d" + std::to_string(i));
        const auto g1 = difference(u, i, [&](const double* v) { return run(fn.f, v, false, 1).d.d1; });
        const auto g2 = difference(u, i, [&](const double* v) {
          const FullDerivatives d = run(fn.f, v, false, 2).d;
          std::array<double, 64> flat;
          for (int j = 0; j < 8; ++j)
            for (int k = 0; k < 8; ++k) flat[8 * j + k] = d.d2[j][k];
          return flat;
        });
        for (int j = 0; j < 8; ++j) {
          t2.add(e3.d.d2[i][j], g1[j], unit(u, {i, j}), l2,
                 at + ", d" + std::to_string(i) + std::to_string(j));
          for (int k = 0; k < 8; ++k)
            t3.add(e3.d.d3[i][j][k], g2[8 * j + k], unit(u, {i, j, k}), l3,
                   at + ", d" + std::to_string(i) + std::to_string(j) + std::to_string(k));
        }
      }
    }
  EXPECT_LE(t1.worst, 1e-6) << t1.where;
  EXPECT_LE(t2.worst, 1e-6) << t2.where;
  EXPECT_LE(t3.worst, 1e-6) << t3.where;
}

// A closed shell passed as one array takes the paired evaluation (jets in one spin's variables);
// the same density as two arrays takes the general one. Energies and first derivatives agree,
// and the singlet kernel is the sum of the same-spin and opposite-spin blocks.
TEST(XcPoint, ClosedShellPathsMatchTheGeneralOne) {
  for (const Functional& fn : all_functionals())
    for (const Point& pt : kPoints) {
      if (!pt.closed) continue;
      const double* u = pt.u;
      const std::string at = fn.name + ", " + pt.what;
      double ex, ec, px, pc, sx, sc;
      XcDerivatives d{}, p{}, s{};
      xc_point(fn.f, u, u + 4, &ex, &ec, &d, 2, kSmall);
      xc_point(fn.f, u, u, &px, &pc, &p, 1, kSmall);
      xc_point_singlet(fn.f, u, &sx, &sc, &s, kSmall);
      const double scale = std::fabs(ex) + std::fabs(ec) + 1e-12;
      for (double e : {px + pc, sx + sc}) EXPECT_NEAR(e, ex + ec, 1e-12 * scale) << at;
      double largest = 0;
      for (int i = 0; i < 16; ++i) largest = std::max(largest, std::fabs(d.d2ab[i]));
      for (int i = 0; i < 10; ++i) largest = std::max(largest, std::fabs(d.d2[0][i]));
      for (int spin = 0; spin < 2; ++spin)
        for (int i = 0; i < 4; ++i) {
          EXPECT_NEAR(p.d1[spin][i], d.d1[spin][i], 1e-10 * (std::fabs(d.d1[spin][i]) + scale)) << at;
          EXPECT_NEAR(s.d1[spin][i], d.d1[spin][i], 1e-10 * (std::fabs(d.d1[spin][i]) + scale)) << at;
          for (int j = 0; j <= i; ++j)
            EXPECT_NEAR(s.d2[spin][i * (i + 1) / 2 + j], d.d2[spin][i * (i + 1) / 2 + j] + d.d2ab[4 * i + j],
                        1e-9 * largest)
                << at << " d2 " << i << j;
        }
      for (double v : s.d2ab) EXPECT_EQ(v, 0.0);
    }
}

TEST(XcPoint, ExchangeWeightScalesOnlyExchangeAndHfLypKeepsOnlyCorrelation) {
  const double a[4] = {0.3, 0.1, 0.05, -0.2}, b[4] = {0.2, -0.1, 0.02, 0.1};
  double ex_full, ec_full, ex_b3, ec_b3, ex_hf, ec_hf;
  XcDerivatives d_hf, d_lyp;
  xc_point(codes(3, 4), a, b, &ex_full, &ec_full, nullptr, 0, kSmall);
  XcFunctional scaled = codes(3, 4);
  scaled.a_x = 0.8;
  xc_point(scaled, a, b, &ex_b3, &ec_b3, nullptr, 0, kSmall);
  EXPECT_NEAR(ex_b3, 0.8 * ex_full, 1e-15);
  EXPECT_EQ(ec_b3, ec_full);
  xc_point(testing::named_functional("HFLYP"), a, b, &ex_hf, &ec_hf, &d_hf, 3, kSmall);
  double ex_lyp, ec_lyp;
  xc_point(codes(0, 4), a, b, &ex_lyp, &ec_lyp, &d_lyp, 3, kSmall);
  EXPECT_EQ(ex_hf, 0);
  EXPECT_EQ(ec_hf, ec_lyp);
  EXPECT_EQ(d_hf.d1[1][2], d_lyp.d1[1][2]);
  EXPECT_EQ(d_hf.d3abb[17], d_lyp.d3abb[17]);
}

TEST(XcPoint, BeckeKernelsDropSpinsBelowTheirCutoff) {
  const double a[4] = {0.05, 0.01, 0.0, 0.0}, b[4] = {5e-11, 1e-12, 0.0, 0.0};  // G(b) ~ 1e-14
  const double none[4] = {0, 0, 0, 0};
  for (int x : {3, 5, 7}) {
    double with_b, without_b, ec;
    xc_point(codes(x, 0), a, b, &with_b, &ec, nullptr, 0, kSmall);
    xc_point(codes(x, 0), a, none, &without_b, &ec, nullptr, 0, kSmall);
    EXPECT_EQ(with_b, without_b) << x;
  }
}

// The regularisation: the floor, the identity far above it, and each derivative against
// differences of the one below.
TEST(DensityRegularise, BranchesFloorAndDerivatives) {
  const double a = 1e-7;
  double g[5];
  density_regularise(-1.0, a, g);
  EXPECT_EQ((std::vector<double>{g[0], g[1]}), (std::vector<double>{1e-16, 0.0}));
  density_regularise(1e-15, a, g);  // G' and G'' vanish with rho near zero
  EXPECT_EQ(g[0], 1e-16);
  EXPECT_LT(g[1], 1e-18);
  density_regularise(3.7e-6, a, g);
  EXPECT_EQ((std::vector<double>{g[0], g[1]}), (std::vector<double>{3.7e-6, 1.0}));
  // Nearly continuous where the logarithm meets the identity.
  double below[5];
  density_regularise(36 * a, a, below);
  EXPECT_NEAR(below[0], 36 * a + 1e-16, 1e-20);
  EXPECT_NEAR(below[1], 1.0, 1e-14);

  auto at = [&](double rho) {
    std::array<double, 5> v;
    density_regularise(rho, a, v.data());
    return v;
  };
  for (double x : {1e-6, 0.0012, 0.01, 0.3, 0.49, 0.51, 1.0, 4.0, 12.0, 30.0}) {
    const double rho = x * a, h = 1e-3 * rho;
    density_regularise(rho, a, g);
    const auto p1 = at(rho + h), m1 = at(rho - h), p2 = at(rho + 2 * h), m2 = at(rho - 2 * h);
    for (int m = 1; m < 5; ++m) {
      const double fd = (8 * (p1[m - 1] - m1[m - 1]) - (p2[m - 1] - m2[m - 1])) / (12 * h);
      const double err = std::fabs(fd - g[m]) / std::max(std::fabs(g[m]), 1e-6 * std::pow(a, 1 - m));
      EXPECT_LE(err, 1e-7) << "x = " << x << ", derivative " << m;
    }
  }
}

// A fitted spin density that crosses zero moves the potential smoothly: the regularised
// density reaches its floor with a vanishing slope, so no point switches off with a jump.
// (Held at the floor from a x^2/2 < 1e-16 down, the minority-spin PBE potential of a
// polarised point fell from about 0.1 to zero at rho = 4.5e-12 and moved the fitted beta
// potential of OH by 1e-6 under changes of 1e-12 in the density; with G'' = 1/a at zero
// the mixed gradient term alone still jumped by 3e-3 here.)
TEST(DensityRegularise, SpinPotentialIsContinuousDownToZeroDensity) {
  const XcFunctional pbe = testing::named_functional("PBE");
  const double alpha[4] = {0.05, 0.02, -0.01, 0.03};
  auto potential = [&](double rho_b) {
    const double beta[4] = {rho_b, 2e-7, 0.0, -1e-7};
    double ex, ec;
    XcDerivatives d;
    xc_point(pbe, alpha, beta, &ex, &ec, &d, 1, kSmall);
    return d.d1[1][0];
  };
  const double cut = std::sqrt(2e-16 * kSmall);
  EXPECT_NEAR(potential(cut * (1 + 1e-9)), potential(cut * (1 - 1e-9)), 1e-12);
  for (double rho : {1e-13, 1e-15, 1e-18})
    EXPECT_NEAR(potential(rho), potential(-1e-3), 1e-8) << rho;
  EXPECT_NEAR(potential(1e-22), potential(-1e-3), 1e-12);
}

TEST(XcExchangeKernel, SmoothFormOfXAsinhXMatchesTheClosedForm) {
  for (double t : {1e-12, 1e-6, 0.01, 0.2, 0.2499999, 0.25, 0.2500001, 0.7, 3.0, 1e4}) {
    const auto q = xc::x_asinh_x(xc::Jet<1, 3>::variable(0, t));
    const double x = std::sqrt(t);
    EXPECT_NEAR(q.v, x * std::asinh(x), 4e-16 * x * std::asinh(x)) << t;
    // d/dt of x asinh x = (asinh x + x / sqrt(1 + x^2)) / (2x)
    EXPECT_NEAR(q.d1[0], (std::asinh(x) + x / std::sqrt(1 + t)) / (2 * x), 1e-14) << t;
    if (t < 1e-3) {  // t - t^2/6 + 3 t^3/40 - ...
      EXPECT_NEAR(q.d2[0], -1.0 / 3 + 0.45 * t, 1e-12) << t;
      EXPECT_NEAR(q.d3[0], 0.45, 1e-5) << t;
      continue;
    }
    // Higher derivatives by differences of the lower ones.
    const double h = 1e-3 * t;
    auto at = [&](double s) { return xc::x_asinh_x(xc::Jet<1, 3>::variable(0, s)); };
    const auto p1 = at(t + h), m1 = at(t - h), p2 = at(t + 2 * h), m2 = at(t - 2 * h);
    const double fd2 = (8 * (p1.d1[0] - m1.d1[0]) - (p2.d1[0] - m2.d1[0])) / (12 * h);
    const double fd3 = (8 * (p1.d2[0] - m1.d2[0]) - (p2.d2[0] - m2.d2[0])) / (12 * h);
    EXPECT_NEAR(q.d2[0], fd2, 1e-8 * std::fabs(q.d2[0])) << t;
    EXPECT_NEAR(q.d3[0], fd3, 1e-7 * std::fabs(q.d3[0])) << t;
  }
}

}  // namespace
}  // namespace ostrel
