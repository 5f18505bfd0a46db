#include "scf/xc/xc_exchange.hpp"

#include <cmath>

namespace ostrel::xc {
namespace {

constexpr double kSlater = 0.9305257363491001;  // (3/2) (3/(4 pi))^(1/3), spin-scaled
constexpr double kS2 = 0.01645530784602056;     // s^2 per x^2: 1 / (4 (6 pi^2)^(2/3))
constexpr double kBeckeCutoff = 1e-10;

// q(t) = sqrt(t) asinh(sqrt(t)) and its first three derivatives in t.
void x_asinh_x_derivatives(double t, double q[4]) {
  if (t < 0.25) {
    // x asinh x = sum_n c_n t^(n+1), c_n = (-1)^n (2n)! / (4^n (n!)^2 (2n+1)); |t| < 1.
    double c[30];
    double binom = 1;  // (2n)! / (4^n (n!)^2)
    for (int n = 0; n < 30; ++n) {
      c[n] = (n % 2 ? -binom : binom) / (2 * n + 1);
      binom *= (2.0 * n + 1) / (2.0 * n + 2);
    }
    // Horner sums of the series and of its derivatives (powers t^(n+1)).
    q[0] = q[1] = q[2] = q[3] = 0;
    for (int n = 29; n >= 0; --n) {
      const double m = n + 1;
      q[0] = q[0] * t + c[n];
      q[1] = q[1] * t + m * c[n];
      if (n >= 1) q[2] = q[2] * t + m * (m - 1) * c[n];
      if (n >= 2) q[3] = q[3] * t + m * (m - 1) * (m - 2) * c[n];
    }
    q[0] *= t;
    // q[1] holds sum m c t^(m-1); q[2] sum m(m-1) c t^(m-2) from n >= 1; q[3] from n >= 2.
    return;
  }
  const double x = std::sqrt(t), a = std::asinh(x), r = std::sqrt(1 + t);
  q[0] = x * a;
  q[1] = a / (2 * x) + 1 / (2 * r);
  q[2] = 1 / (4 * t * r) - a / (4 * x * t) - 1 / (4 * r * r * r);
  q[3] = -3 / (8 * t * t * r) - 1 / (8 * t * r * r * r) + 3 * a / (8 * x * t * t) +
         3 / (8 * r * r * r * r * r);
}

}  // namespace

template <int N, int K>
Jet<N, K> x_asinh_x(const Jet<N, K>& t) {
  double q[4];
  x_asinh_x_derivatives(t.v, q);
  return chain(t, q);
}

template <int K>
Jet<2, K> exchange_spin(int code, const double* p, const Jet<2, K>& rho, const Jet<2, K>& sigma) {
  using J = Jet<2, K>;
  if (code < 1 || code > 7) return J(0.0);
  if ((code == 3 || code == 5 || code == 7) && rho.v < kBeckeCutoff) return J(0.0);
  const J r43 = pow(rho, 4.0 / 3.0);
  if (code == 1) return -kSlater * r43;
  // Everything below is a smooth function of x^2, so a vanishing gradient needs no guard.
  const J x2 = sigma / (r43 * r43);
  switch (code) {
    case 2: {
      const double kappa = 0.804;
      const J s2 = kS2 * x2;
      return -kSlater * r43 * (1 + kappa - kappa / (1 + 0.27302857309019535 * s2));
    }
    case 3: {
      const double b1 = p[0] != 0 ? p[0] : 0.0042, b2 = p[1] != 0 ? p[1] : 0.0042;
      return -(r43 * (kSlater + b1 * x2 / (1 + 6 * b2 * x_asinh_x(x2))));
    }
    case 4: {
      const double a = 0.157;
      const J as2 = a * kS2 * x2;
      const J y = as2 / (1 + as2);
      return -kSlater * r43 * (1 + 1.3981845399013828 * y - 0.6085439571585054 * y * y);
    }
    case 5: {
      const double k = 0.003361232459613792;
      const double b = p[0] != 0 ? p[0] : 0.000741, g = p[1] != 0 ? p[1] : 0.00449276922095889;
      return -(r43 * (kSlater + b * x2 / (1 + 6 * b * x_asinh_x(x2)) + (k - b) * x2 / (1 + g * x2)));
    }
    case 6: {
      const double gamma = 0.006;
      const J u = gamma * x2 / (1 + gamma * x2);
      return -(r43 * (0.9784571170284422 + 1.43169 * u * u));
    }
    default: {  // 7
      const double b = p[0] != 0 ? p[0] : 0.0042;
      return -(r43 * (kSlater + b * x2 / (1 + 3 * b * x_asinh_x(x2))));
    }
  }
}

template Jet<2, 0> exchange_spin<0>(int, const double*, const Jet<2, 0>&, const Jet<2, 0>&);
template Jet<2, 1> exchange_spin<1>(int, const double*, const Jet<2, 1>&, const Jet<2, 1>&);
template Jet<2, 2> exchange_spin<2>(int, const double*, const Jet<2, 2>&, const Jet<2, 2>&);
template Jet<2, 3> exchange_spin<3>(int, const double*, const Jet<2, 3>&, const Jet<2, 3>&);
template Jet<1, 3> x_asinh_x<1, 3>(const Jet<1, 3>&);

}  // namespace ostrel::xc
