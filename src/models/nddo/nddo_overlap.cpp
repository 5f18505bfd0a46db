// Overlaps of Slater orbitals in the diatomic frame: prolate spheroidal coordinates turn
// each product into a polynomial in xi and eta times exp(-a xi - b eta), integrated with
// the auxiliary integrals A_k(a) and B_k(b) (Mulliken, Rieke, Orloff and Orloff 1949).
#include "models/nddo/nddo_overlap.hpp"

#include "models/nddo/nddo_dual.hpp"

#include <cmath>
#include <cstring>

namespace ostrel {
namespace {

constexpr int kDeg = 9;  // xi and eta powers up to 8 for n <= 3

struct Poly {
  double c[kDeg][kDeg];  // c[i][j] xi^i eta^j
};

Poly poly_one() {
  Poly p{};
  p.c[0][0] = 1;
  return p;
}

Poly multiply(const Poly& a, const Poly& b) {
  Poly r{};
  for (int i = 0; i < kDeg; ++i)
    for (int j = 0; j < kDeg; ++j) {
      if (a.c[i][j] == 0) continue;
      for (int k = 0; i + k < kDeg; ++k)
        for (int l = 0; j + l < kDeg; ++l) r.c[i + k][j + l] += a.c[i][j] * b.c[k][l];
    }
  return r;
}

// c0 + cx xi + ce eta + cxe xi eta
Poly linear(double c0, double cx, double ce, double cxe) {
  Poly p{};
  p.c[0][0] = c0;
  p.c[1][0] = cx;
  p.c[0][1] = ce;
  p.c[1][1] = cxe;
  return p;
}

Poly power(const Poly& p, int n) {
  Poly r = poly_one();
  for (int k = 0; k < n; ++k) r = multiply(r, p);
  return r;
}

// A_k(a) = int_1^inf x^k e^{-a x} dx, k = 0..kmax.
template <class T>
void a_integrals(const T& a, T* out, int kmax) {
  using std::exp;
  const T e = exp(-a);
  out[0] = e / a;
  for (int k = 1; k <= kmax; ++k) out[k] = (e + k * out[k - 1]) / a;
}

// B_k(b) = int_{-1}^{1} x^k e^{-b x} dx; a series for small |b|, where the recursion loses
// digits.
template <class T>
void b_integrals(const T& b, T* out, int kmax) {
  using std::exp;
  if (std::fabs(value_of(b)) < 3.0) {
    for (int k = 0; k <= kmax; ++k) {
      T sum = 0.0, term = 1.0;
      for (int m = 0; m < 60; ++m) {
        if (m > 0) term *= -b / T(m);
        if ((k + m) % 2 == 0) sum += term * T(2.0 / (k + m + 1));
      }
      out[k] = sum;
    }
    return;
  }
  const T ep = exp(b), em = exp(-b);
  out[0] = (ep - em) / b;
  for (int k = 1; k <= kmax; ++k) out[k] = ((k % 2 ? -ep : ep) - em + T(k) * out[k - 1]) / b;
}

double factorial(int n) {
  double f = 1;
  for (int k = 2; k <= n; ++k) f *= k;
  return f;
}

// Integral of poly (xi^2 - eta^2) exp(-a xi - b eta) over xi >= 1, |eta| <= 1.
template <class T>
T integrate(const Poly& p, const T& a, const T& b) {
  Poly w{};
  for (int i = 0; i + 2 < kDeg; ++i)
    for (int j = 0; j + 2 < kDeg; ++j) {
      w.c[i + 2][j] += p.c[i][j];
      w.c[i][j + 2] -= p.c[i][j];
    }
  T A[kDeg], B[kDeg];
  a_integrals(a, A, kDeg - 1);
  b_integrals(b, B, kDeg - 1);
  T value = 0.0;
  for (int i = 0; i < kDeg; ++i)
    for (int j = 0; j < kDeg; ++j)
      if (w.c[i][j] != 0) value += T(w.c[i][j]) * A[i] * B[j];
  return value;
}

}  // namespace

template <class T>
NddoLocalOverlap<T> nddo_local_overlap(int na, double za_s, double za_p, int la, int nb, double zb_s,
                                       double zb_p, int lb, const T& r) {
  using std::pow;
  NddoLocalOverlap<T> out{};
  const T half = T(0.5) * r;
  // Orbital factors in (xi, eta), with r_a = half (xi + eta), r_b = half (xi - eta),
  // z_a = half (1 + xi eta), z_b = half (xi eta - 1); the powers of `half` are collected.
  const Poly ra = linear(0, 1, 1, 0), rb = linear(0, 1, -1, 0);
  const Poly za = linear(1, 0, 0, 1), zb = linear(-1, 0, 0, 1);
  // (xi^2 - 1)(1 - eta^2): the squared distance from the axis over half^2
  Poly perp{};
  perp.c[2][0] = 1;
  perp.c[0][0] = -1;
  perp.c[2][2] = -1;
  perp.c[0][2] = 1;
  const double pi = 3.14159265358979323846;
  auto norm = [](int n, double z) { return std::pow(2 * z, n + 0.5) / std::sqrt(factorial(2 * n)); };
  const double ys = 1 / std::sqrt(4 * pi), yp = std::sqrt(3 / (4 * pi));

  for (int i = 0; i <= la; ++i)
    for (int j = 0; j <= lb; ++j) {
      const double zai = i == 0 ? za_s : za_p, zbj = j == 0 ? zb_s : zb_p;
      const T a = T(0.5 * (zai + zbj)) * r, b = T(0.5 * (zai - zbj)) * r;
      const Poly fa = i == 0 ? power(ra, na - 1) : multiply(power(ra, na - 2), za);
      const Poly fb = j == 0 ? power(rb, nb - 1) : multiply(power(rb, nb - 2), zb);
      // (R/2)^(na-1+nb-1) from the factors, (R/2)^3 from the volume element
      const T scale = T(norm(na, zai) * norm(nb, zbj)) * pow(half, double(na + nb + 1));
      const double ang = (i == 0 ? ys : yp) * (j == 0 ? ys : yp) * 2 * pi;
      out.sigma[i][j] = T(ang) * scale * integrate(multiply(fa, fb), a, b);
      if (i == 1 && j == 1) {
        const Poly fp = multiply(multiply(power(ra, na - 2), power(rb, nb - 2)), perp);
        out.pi = T(yp * yp * pi) * scale * integrate(fp, a, b);
      }
    }
  return out;
}

template NddoLocalOverlap<double> nddo_local_overlap(int, double, double, int, int, double, double, int,
                                                     const double&);
template NddoLocalOverlap<Dual3> nddo_local_overlap(int, double, double, int, int, double, double, int,
                                                    const Dual3&);

}  // namespace ostrel
