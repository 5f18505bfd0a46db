#pragma once
// A value with its three first derivatives (forward-mode differentiation): the pair terms
// written once for doubles give their exact gradient with respect to the pair vector.
#include <cmath>

namespace ostrel {

struct Dual3 {
  double v = 0;
  double d[3] = {0, 0, 0};

  Dual3() = default;
  Dual3(double value) : v(value) {}  // NOLINT: constants mix freely with duals
};

inline double value_of(double x) { return x; }
inline double value_of(const Dual3& x) { return x.v; }

inline Dual3 operator+(const Dual3& a, const Dual3& b) {
  Dual3 r(a.v + b.v);
  for (int k = 0; k < 3; ++k) r.d[k] = a.d[k] + b.d[k];
  return r;
}
inline Dual3 operator-(const Dual3& a, const Dual3& b) {
  Dual3 r(a.v - b.v);
  for (int k = 0; k < 3; ++k) r.d[k] = a.d[k] - b.d[k];
  return r;
}
inline Dual3 operator-(const Dual3& a) { return Dual3(0.0) - a; }
inline Dual3 operator*(const Dual3& a, const Dual3& b) {
  Dual3 r(a.v * b.v);
  for (int k = 0; k < 3; ++k) r.d[k] = a.d[k] * b.v + a.v * b.d[k];
  return r;
}
inline Dual3 operator/(const Dual3& a, const Dual3& b) {
  Dual3 r(a.v / b.v);
  for (int k = 0; k < 3; ++k) r.d[k] = (a.d[k] - r.v * b.d[k]) / b.v;
  return r;
}
inline Dual3& operator+=(Dual3& a, const Dual3& b) { return a = a + b; }
inline Dual3& operator-=(Dual3& a, const Dual3& b) { return a = a - b; }
inline Dual3& operator*=(Dual3& a, const Dual3& b) { return a = a * b; }

// f(x) with f'(x) = slope.
inline Dual3 chain(const Dual3& x, double f, double slope) {
  Dual3 r(f);
  for (int k = 0; k < 3; ++k) r.d[k] = slope * x.d[k];
  return r;
}
inline Dual3 sqrt(const Dual3& x) {
  const double s = std::sqrt(x.v);
  return chain(x, s, 0.5 / s);
}
inline Dual3 exp(const Dual3& x) {
  const double e = std::exp(x.v);
  return chain(x, e, e);
}
inline Dual3 pow(const Dual3& x, double p) {
  const double f = std::pow(x.v, p);
  return chain(x, f, p * std::pow(x.v, p - 1));
}

}  // namespace ostrel
