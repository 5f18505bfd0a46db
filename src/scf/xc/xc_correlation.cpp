#include "scf/xc/xc_correlation.hpp"

#include <cmath>
#include <numbers>

namespace ostrel::xc {
namespace {

using std::numbers::pi;

// Perdew-Wang 1992 fit: G(rs) = -2A (1 + alpha1 rs) ln(1 + 1/(2A (b1 rs^1/2 + b2 rs + b3 rs^3/2 + b4 rs^2))).
struct PwFit {
  double a, alpha1, b1, b2, b3, b4;
};
struct PwSet {
  PwFit para, ferro, stiffness;  // the last one fits -alpha_c
  double fpp;                    // f''(0)
};
// The published parameters (used by the local functional "LSD" and its blends).
constexpr PwSet kPwOriginal = {{0.031091, 0.21370, 7.5957, 3.5876, 1.6382, 0.49294},
                               {0.015545, 0.20548, 14.1189, 6.1977, 3.3662, 0.62517},
                               {0.016887, 0.11125, 10.357, 3.6231, 0.88026, 0.49671},
                               1.709921};
// The more precise A and f''(0) carried by the PBE correlation.
constexpr PwSet kPwPbe = {{0.0310907, 0.21370, 7.5957, 3.5876, 1.6382, 0.49294},
                          {0.01554535, 0.20548, 14.1189, 6.1977, 3.3662, 0.62517},
                          {0.0168869, 0.11125, 10.357, 3.6231, 0.88026, 0.49671},
                          1.709920934161365617563962776245};

// Vosko-Wilk-Nusair fit in x = rs^1/2.
struct VwnFit {
  double a, x0, b, c;
};
constexpr double kVwnStiffnessA = -1 / (6 * pi * pi);
constexpr VwnFit kVwnRpaPara = {0.0310907, -0.409286, 13.072, 42.7198};
constexpr VwnFit kVwnRpaFerro = {0.01554535, -0.743294, 20.1231, 101.578};
constexpr VwnFit kVwn5Para = {0.0310907, -0.10498, 3.72744, 12.9352};
constexpr VwnFit kVwn5Ferro = {0.01554535, -0.325, 7.06042, 18.0578};
constexpr VwnFit kVwn5Stiffness = {kVwnStiffnessA, -0.0047584, 1.13107, 13.0045};

// Quantities of the spin densities that the local parts share.
template <int N, int K>
struct Spin {
  Jet<N, K> rho, rs, x;  // total density, rs, rs^1/2
  Jet<N, K> fz, z4;      // spin interpolation f(zeta) and zeta^4
  Jet<N, K> up, down;    // 1 + zeta and 1 - zeta, formed without cancellation
};

template <int N, int K>
Spin<N, K> spin_terms(const Reduced<N, K>& y) {
  Spin<N, K> s;
  s.rho = y[0] + y[1];
  const Jet<N, K> inv = reciprocal(s.rho);
  s.x = std::pow(3 / (4 * pi), 1.0 / 6.0) * pow(s.rho, -1.0 / 6.0);
  s.rs = s.x * s.x;
  s.up = 2 * y[0] * inv;
  s.down = 2 * y[1] * inv;
  s.fz = (pow(s.up, 4.0 / 3.0) + pow(s.down, 4.0 / 3.0) - 2) / (std::cbrt(16.0) - 2);
  const Jet<N, K> z = (y[0] - y[1]) * inv;
  const Jet<N, K> z2 = z * z;
  s.z4 = z2 * z2;
  return s;
}

template <int N, int K>
Jet<N, K> pw_fit(const PwFit& f, const Spin<N, K>& s) {
  const Jet<N, K> den = 2 * f.a * (s.x * (f.b1 + f.b3 * s.rs) + s.rs * (f.b2 + f.b4 * s.rs));
  return -2 * f.a * (1 + f.alpha1 * s.rs) * log1p(reciprocal(den));
}

// PW92 correlation energy per particle.
template <int N, int K>
Jet<N, K> pw92_epsilon(const PwSet& set, const Spin<N, K>& s) {
  const Jet<N, K> e0 = pw_fit(set.para, s), e1 = pw_fit(set.ferro, s);
  const Jet<N, K> alpha = -pw_fit(set.stiffness, s);
  return e0 + s.fz * (alpha * (1 - s.z4) / set.fpp + (e1 - e0) * s.z4);
}

template <int N, int K>
Jet<N, K> vwn_fit(const VwnFit& f, const Spin<N, K>& s) {
  const double q = std::sqrt(4 * f.c - f.b * f.b);
  const double f2 = f.b * f.x0 / (f.x0 * f.x0 + f.b * f.x0 + f.c);
  const double f1 = 2 * f.b / q, f3 = 2 * (2 * f.x0 + f.b) / q;
  const Jet<N, K> big_x = s.rs + f.b * s.x + f.c;
  const Jet<N, K> log_x = log(big_x);
  return f.a * (log(s.rs) - log_x + (f1 - f2 * f3) * atan(q / (2 * s.x + f.b)) -
                f2 * (2 * log(s.x - f.x0) - log_x));
}

template <int N, int K>
Jet<N, K> vwn_rpa_epsilon(const Spin<N, K>& s) {
  const Jet<N, K> ep = vwn_fit(kVwnRpaPara, s);
  return ep + (vwn_fit(kVwnRpaFerro, s) - ep) * s.fz;
}

template <int N, int K>
Jet<N, K> vwn5_epsilon(const Spin<N, K>& s) {
  const double fpp = 4 / (9 * (std::cbrt(2.0) - 1));
  const Jet<N, K> ep = vwn_fit(kVwn5Para, s);
  const Jet<N, K> alpha = vwn_fit(kVwn5Stiffness, s);
  return ep + s.fz * (alpha * (1 - s.z4) / fpp + (vwn_fit(kVwn5Ferro, s) - ep) * s.z4);
}

// PBE gradient correction H per particle, given the PW92 epsilon of the point.
template <int N, int K>
Jet<N, K> pbe_h(const Reduced<N, K>& y, const Spin<N, K>& s, const Jet<N, K>& eps) {
  const double gamma = 0.031090690869654894, beta_gamma = 2.1461263399673647;
  const Jet<N, K> phi = 0.5 * (pow(s.up * s.up + 1e-24, 1.0 / 3.0) + pow(s.down * s.down + 1e-24, 1.0 / 3.0));
  const Jet<N, K> phi3 = phi * phi * phi;
  const Jet<N, K> sigma = y[2] + 2 * y[3] + y[4];
  // t^2 = sigma / (4 phi^2 ks^2 rho^2), ks^2 = 4 kF / pi, kF = (3 pi^2 rho)^1/3
  const Jet<N, K> t2 = (pi / (16 * std::cbrt(3 * pi * pi))) * sigma /
                       (phi * phi * pow(s.rho, 7.0 / 3.0));
  const Jet<N, K> a = beta_gamma / expm1(-eps / (gamma * phi3));
  const Jet<N, K> at2 = a * t2;
  return gamma * phi3 * log1p(beta_gamma * t2 * (1 + at2) / (1 + at2 * (1 + at2)));
}

// Lee-Yang-Parr energy density; `gradient` false keeps only the terms without gradients.
template <int N, int K>
Jet<N, K> lyp(const Reduced<N, K>& y, const Spin<N, K>& s, bool gradient) {
  const double a = 0.04918, b = 0.132, c = 0.2533, d = 0.349;
  const double cf = 0.3 * std::cbrt(9 * pi * pi * pi * pi);  // (3/10)(3 pi^2)^(2/3)
  const Jet<N, K>& ra = y[0];
  const Jet<N, K>& rb = y[1];
  const Jet<N, K> m13 = pow(s.rho, -1.0 / 3.0);
  const Jet<N, K> den = 1 + d * m13;
  const Jet<N, K> omega = exp(-c * m13) / den * pow(s.rho, -11.0 / 3.0);
  const Jet<N, K> rab = ra * rb;
  Jet<N, K> e = -4 * a * rab / (den * s.rho);
  Jet<N, K> bracket = std::exp2(11.0 / 3.0) * cf * rab * (pow(ra, 8.0 / 3.0) + pow(rb, 8.0 / 3.0));
  if (gradient) {
    const Jet<N, K> delta = c * m13 + d * m13 / den;
    const Jet<N, K>& saa = y[2];
    const Jet<N, K>& sbb = y[4];
    const Jet<N, K> sigma = saa + 2 * y[3] + sbb;
    const Jet<N, K> inv = reciprocal(s.rho);
    const Jet<N, K> rho2 = s.rho * s.rho;
    bracket += rab * ((47.0 / 18 - 7.0 / 18 * delta) * sigma - (2.5 - delta / 18) * (saa + sbb) -
                      (delta - 11) / 9 * inv * (ra * saa + rb * sbb));
    bracket += -2.0 / 3 * rho2 * sigma + (2.0 / 3 * rho2 - ra * ra) * sbb +
               (2.0 / 3 * rho2 - rb * rb) * saa;
  }
  e += -a * b * omega * bracket;
  return e;
}

}  // namespace

template <int N, int K>
Jet<N, K> correlation(int code, const double* p, const Reduced<N, K>& y) {
  using J = Jet<N, K>;
  if (code < 1 || code > 9) return J(0.0);
  const Spin<N, K> s = spin_terms(y);
  switch (code) {
    case 1:
      return s.rho * pw92_epsilon(kPwOriginal, s);
    case 2:
      return s.rho * vwn_rpa_epsilon(s);
    case 3:
    case 5: {
      const J eps = pw92_epsilon(kPwPbe, s);
      const double scale = code == 3 ? 1.0 : p[2];
      return s.rho * (eps + scale * pbe_h(y, s, eps));
    }
    case 4:
      return lyp(y, s, true);
    case 6:
      return p[2] * lyp(y, s, true) + (1 - p[2]) * (s.rho * vwn_rpa_epsilon(s));
    case 7:
      return p[2] * lyp(y, s, true) + (1 - p[2]) * (s.rho * pw92_epsilon(kPwOriginal, s));
    case 8:
      return s.rho * vwn5_epsilon(s);
    default:  // 9
      return lyp(y, s, false);
  }
}

template Jet<5, 0> correlation(int, const double*, const Reduced<5, 0>&);
template Jet<5, 1> correlation(int, const double*, const Reduced<5, 1>&);
template Jet<5, 2> correlation(int, const double*, const Reduced<5, 2>&);
template Jet<5, 3> correlation(int, const double*, const Reduced<5, 3>&);
template Jet<2, 0> correlation(int, const double*, const Reduced<2, 0>&);
template Jet<2, 1> correlation(int, const double*, const Reduced<2, 1>&);
template Jet<2, 2> correlation(int, const double*, const Reduced<2, 2>&);

}  // namespace ostrel::xc
