#include "scf/guess/atomic_coulomb.hpp"

#include <cmath>

#include "model/units.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

double binomial(int n, int k) {
  double b = 1.0;
  for (int i = 1; i <= k; ++i) b = b * (n - k + i) / i;
  return b;
}

// Whether any shell of channel `c` uses exponent e.
bool channel_uses(const AtomFunctions& fun, const AtomChannel& c, int e) {
  for (int a = 0; a < c.n_shells; ++a)
    if (fun.coefficients[e * fun.nshell + c.shell[a]] != 0.0) return true;
  return false;
}

}  // namespace

double spherical_coulomb(int k, double p, int kp, double q) {
  // (-d)^n p^-1 = n! p^-(1+n); (-d)^n s^-1/2 = (1/2)(3/2)...(n-1/2) s^-(1/2+n).
  const double s = p + q;
  double sum = 0.0;
  double fi = 1.0;  // i!
  for (int i = 0; i <= k; ++i) {
    if (i > 0) fi *= i;
    double fj = 1.0;
    for (int j = 0; j <= kp; ++j) {
      if (j > 0) fj *= j;
      const int n = k - i + kp - j;
      double g = 1.0;
      for (int t = 1; t <= n; ++t) g *= t - 0.5;
      sum += binomial(k, i) * binomial(kp, j) * fi * std::pow(p, -1 - i) * fj * std::pow(q, -1 - j) * g *
             std::pow(s, -0.5 - n);
    }
  }
  return kTwoPiToFiveHalves * sum;
}

AtomCoulomb atom_coulomb(const AtomFunctions& fun, const AtomChannel* channels, int lmax) {
  AtomCoulomb c{};
  for (int l = 0; l <= lmax; ++l)
    for (int e = 0; e < fun.nexp; ++e)
      if (channel_uses(fun, channels[l], e))
        for (int f = e; f < fun.nexp; ++f)
          if (channel_uses(fun, channels[l], f)) ++c.n_pairs;
  const long n = c.n_pairs;
  const long bytes = 3 * 4 * (n + 1) + 8 * (n * n + 2 * n + 2);
  c.block = pool_alloc(bytes);
  double* d = static_cast<double*>(c.block);
  c.w = d;
  c.density = d + n * n;
  c.field = c.density + n;
  int* ints = reinterpret_cast<int*>(c.field + n + 1);
  c.l = ints;
  c.e = ints + n + 1;
  c.f = c.e + n + 1;
  long k = 0;
  for (int l = 0; l <= lmax; ++l)
    for (int e = 0; e < fun.nexp; ++e)
      if (channel_uses(fun, channels[l], e))
        for (int f = e; f < fun.nexp; ++f)
          if (channel_uses(fun, channels[l], f)) {
            c.l[k] = l;
            c.e[k] = e;
            c.f[k] = f;
            ++k;
          }
  for (long a = 0; a < n; ++a)
    for (long b = 0; b <= a; ++b) {
      const double v = spherical_coulomb(c.l[a], fun.exponents[c.e[a]] + fun.exponents[c.f[a]], c.l[b],
                                         fun.exponents[c.e[b]] + fun.exponents[c.f[b]]);
      c.w[a * n + b] = c.w[b * n + a] = v;
    }
  return c;
}

void release_atom_coulomb(AtomCoulomb& c) {
  if (c.block) pool_release(c.block);
  c.block = nullptr;
}

void atom_coulomb_blocks(AtomCoulomb& c, const AtomFunctions& fun, const AtomChannel* channels, int lmax,
                         const double* const* density, double* const* j) {
  const long n = c.n_pairs;
  auto coef = [&](int e, int shell) { return fun.coefficients[e * fun.nshell + shell]; };
  // Density coefficient of each pair: sum_ab P_ab (c_ea c_fb + c_fa c_eb), once for e = f.
  for (long k = 0; k < n; ++k) {
    const AtomChannel& ch = channels[c.l[k]];
    const double* p = density[c.l[k]];
    const int m = ch.n_shells;
    double sum = 0.0;
    for (int a = 0; a < m; ++a)
      for (int b = 0; b < m; ++b) {
        const double x = coef(c.e[k], ch.shell[a]) * coef(c.f[k], ch.shell[b]);
        const double y = c.e[k] == c.f[k] ? 0.0 : coef(c.f[k], ch.shell[a]) * coef(c.e[k], ch.shell[b]);
        sum += p[a * m + b] * (x + y);
      }
    c.density[k] = sum;
  }
  for (long a = 0; a < n; ++a) {
    double sum = 0.0;
    for (long b = 0; b < n; ++b) sum += c.w[a * n + b] * c.density[b];
    c.field[a] = sum;
  }
  for (int l = 0; l <= lmax; ++l) {
    const int m = channels[l].n_shells;
    for (int q = 0; q < m * m; ++q) j[l][q] = 0.0;
  }
  for (long k = 0; k < n; ++k) {
    const AtomChannel& ch = channels[c.l[k]];
    const int m = ch.n_shells;
    double* out = j[c.l[k]];
    for (int a = 0; a < m; ++a)
      for (int b = 0; b < m; ++b) {
        const double x = coef(c.e[k], ch.shell[a]) * coef(c.f[k], ch.shell[b]);
        const double y = c.e[k] == c.f[k] ? 0.0 : coef(c.f[k], ch.shell[a]) * coef(c.e[k], ch.shell[b]);
        out[a * m + b] += c.field[k] * (x + y);
      }
  }
}

}  // namespace ostrel
