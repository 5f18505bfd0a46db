#pragma once
// Truncated Taylor arithmetic for the functional kernels: a Jet<N, K> carries a value and its
// partial derivatives up to order K in N variables, so one kernel written once yields the
// energy density (K = 0) and its first, second and third derivatives exactly.
#include <array>
#include <cmath>
#include <cstddef>

namespace ostrel::xc {

// Packed symmetric indices: pair (i >= j) and triple (i >= j >= k).
constexpr int pair_index(int i, int j) { return i * (i + 1) / 2 + j; }
constexpr int triple_index(int i, int j, int k) { return i * (i + 1) * (i + 2) / 6 + j * (j + 1) / 2 + k; }
constexpr int pair_any(int i, int j) { return i >= j ? pair_index(i, j) : pair_index(j, i); }
constexpr int triple_any(int i, int j, int k) {
  if (i < j) { int t = i; i = j; j = t; }
  if (j < k) { int t = j; j = k; k = t; }
  if (i < j) { int t = i; i = j; j = t; }
  return triple_index(i, j, k);
}

template <int N, int K>
struct Jet {
  static constexpr int n1 = K >= 1 ? N : 0;
  static constexpr int n2 = K >= 2 ? N * (N + 1) / 2 : 0;
  static constexpr int n3 = K >= 3 ? N * (N + 1) * (N + 2) / 6 : 0;
  double v = 0;
  std::array<double, n1> d1{};
  std::array<double, n2> d2{};
  std::array<double, n3> d3{};

  Jet() = default;
  Jet(double value) : v(value) {}  // NOLINT: constants mix freely with jets

  static Jet variable(int i, double value) {
    Jet x(value);
    if constexpr (K >= 1) x.d1[i] = 1;
    return x;
  }
};

// f(u) for a univariate f with f[m] its m-th derivative at u.v (only f[0..K] are read).
template <int N, int K>
Jet<N, K> chain(const Jet<N, K>& u, const double* f) {
  Jet<N, K> r(f[0]);
  if constexpr (K >= 1)
    for (int i = 0; i < N; ++i) r.d1[i] = f[1] * u.d1[i];
  if constexpr (K >= 2) {
    int p = 0;
    for (int i = 0; i < N; ++i)
      for (int j = 0; j <= i; ++j, ++p) r.d2[p] = f[1] * u.d2[p] + f[2] * u.d1[i] * u.d1[j];
  }
  if constexpr (K >= 3) {
    int t = 0;
    for (int i = 0; i < N; ++i)
      for (int j = 0; j <= i; ++j)
        for (int k = 0; k <= j; ++k, ++t)
          r.d3[t] = f[1] * u.d3[t] +
                    f[2] * (u.d2[pair_index(i, j)] * u.d1[k] + u.d2[pair_index(i, k)] * u.d1[j] +
                            u.d2[pair_index(j, k)] * u.d1[i]) +
                    f[3] * u.d1[i] * u.d1[j] * u.d1[k];
  }
  return r;
}

template <int N, int K>
Jet<N, K> operator*(const Jet<N, K>& a, const Jet<N, K>& b) {
  Jet<N, K> r(a.v * b.v);
  if constexpr (K >= 1)
    for (int i = 0; i < N; ++i) r.d1[i] = a.v * b.d1[i] + a.d1[i] * b.v;
  if constexpr (K >= 2) {
    int p = 0;
    for (int i = 0; i < N; ++i)
      for (int j = 0; j <= i; ++j, ++p)
        r.d2[p] = a.v * b.d2[p] + a.d2[p] * b.v + a.d1[i] * b.d1[j] + a.d1[j] * b.d1[i];
  }
  if constexpr (K >= 3) {
    int t = 0;
    for (int i = 0; i < N; ++i)
      for (int j = 0; j <= i; ++j)
        for (int k = 0; k <= j; ++k, ++t) {
          const int ij = pair_index(i, j), ik = pair_index(i, k), jk = pair_index(j, k);
          r.d3[t] = a.v * b.d3[t] + a.d3[t] * b.v + a.d1[i] * b.d2[jk] + a.d1[j] * b.d2[ik] +
                    a.d1[k] * b.d2[ij] + a.d2[jk] * b.d1[i] + a.d2[ik] * b.d1[j] +
                    a.d2[ij] * b.d1[k];
        }
  }
  return r;
}

template <int N, int K>
Jet<N, K>& operator+=(Jet<N, K>& a, const Jet<N, K>& b) {
  a.v += b.v;
  for (int i = 0; i < Jet<N, K>::n1; ++i) a.d1[i] += b.d1[i];
  for (int i = 0; i < Jet<N, K>::n2; ++i) a.d2[i] += b.d2[i];
  for (int i = 0; i < Jet<N, K>::n3; ++i) a.d3[i] += b.d3[i];
  return a;
}
template <int N, int K>
Jet<N, K>& operator*=(Jet<N, K>& a, double s) {
  a.v *= s;
  for (double& x : a.d1) x *= s;
  for (double& x : a.d2) x *= s;
  for (double& x : a.d3) x *= s;
  return a;
}
template <int N, int K>
Jet<N, K> operator*(Jet<N, K> a, double s) { return a *= s; }
template <int N, int K>
Jet<N, K> operator*(double s, Jet<N, K> a) { return a *= s; }
template <int N, int K>
Jet<N, K> operator-(Jet<N, K> a) { return a *= -1.0; }
template <int N, int K>
Jet<N, K> operator+(Jet<N, K> a, const Jet<N, K>& b) { return a += b; }
template <int N, int K>
Jet<N, K> operator-(Jet<N, K> a, const Jet<N, K>& b) { return a += -b; }
template <int N, int K>
Jet<N, K> operator+(Jet<N, K> a, double s) { a.v += s; return a; }
template <int N, int K>
Jet<N, K> operator+(double s, Jet<N, K> a) { a.v += s; return a; }
template <int N, int K>
Jet<N, K> operator-(Jet<N, K> a, double s) { a.v -= s; return a; }
template <int N, int K>
Jet<N, K> operator-(double s, const Jet<N, K>& a) { return s + (-a); }
template <int N, int K>
Jet<N, K> operator/(Jet<N, K> a, double s) { return a *= 1.0 / s; }

template <int N, int K>
Jet<N, K> reciprocal(const Jet<N, K>& u) {
  const double r = 1.0 / u.v;
  const double f[4] = {r, -r * r, 2 * r * r * r, -6 * r * r * r * r};
  return chain(u, f);
}
template <int N, int K>
Jet<N, K> operator/(const Jet<N, K>& a, const Jet<N, K>& b) { return a * reciprocal(b); }
template <int N, int K>
Jet<N, K> operator/(double s, const Jet<N, K>& b) { return s * reciprocal(b); }

template <int N, int K>
Jet<N, K> pow(const Jet<N, K>& u, double e) {
  double f[4] = {std::pow(u.v, e)};
  if constexpr (K >= 1) {
    f[1] = e * f[0] / u.v;
    f[2] = (e - 1) * f[1] / u.v;
    f[3] = (e - 2) * f[2] / u.v;
  }
  return chain(u, f);
}
template <int N, int K>
Jet<N, K> sqrt(const Jet<N, K>& u) { return pow(u, 0.5); }

template <int N, int K>
Jet<N, K> exp(const Jet<N, K>& u) {
  const double e = std::exp(u.v);
  const double f[4] = {e, e, e, e};
  return chain(u, f);
}
// exp(u) - 1, accurate for small u.
template <int N, int K>
Jet<N, K> expm1(const Jet<N, K>& u) {
  double f[4] = {std::expm1(u.v)};
  if constexpr (K >= 1) f[1] = f[2] = f[3] = f[0] + 1;
  return chain(u, f);
}
template <int N, int K>
Jet<N, K> log(const Jet<N, K>& u) {
  double f[4] = {std::log(u.v)};
  if constexpr (K >= 1) {
    f[1] = 1 / u.v;
    f[2] = -f[1] * f[1];
    f[3] = -2 * f[2] * f[1];
  }
  return chain(u, f);
}
// log(1 + u), accurate for small u.
template <int N, int K>
Jet<N, K> log1p(const Jet<N, K>& u) {
  double f[4] = {std::log1p(u.v)};
  if constexpr (K >= 1) {
    f[1] = 1 / (1 + u.v);
    f[2] = -f[1] * f[1];
    f[3] = -2 * f[2] * f[1];
  }
  return chain(u, f);
}
template <int N, int K>
Jet<N, K> atan(const Jet<N, K>& u) {
  double f[4] = {std::atan(u.v)};
  if constexpr (K >= 1) {
    const double q = 1 / (1 + u.v * u.v);
    f[1] = q;
    f[2] = -2 * u.v * q * q;
    f[3] = (6 * u.v * u.v - 2) * q * q * q;
  }
  return chain(u, f);
}

// The composite h(x) = f(y(x)): f given in M variables y, each y_a a jet in the N variables x.
template <std::size_t Size, int N, int K>
Jet<N, K> compose(const Jet<static_cast<int>(Size), K>& f, const std::array<Jet<N, K>, Size>& y) {
  constexpr int M = static_cast<int>(Size);
  Jet<N, K> h(f.v);
  if constexpr (K >= 1)
    for (int a = 0; a < M; ++a)
      for (int i = 0; i < N; ++i) h.d1[i] += f.d1[a] * y[a].d1[i];
  if constexpr (K >= 2) {
    // r[a][k] = sum_b f_ab y_b,k
    double r[M][N] = {};
    for (int a = 0; a < M; ++a)
      for (int b = 0; b < M; ++b)
        for (int k = 0; k < N; ++k) r[a][k] += f.d2[pair_any(a, b)] * y[b].d1[k];
    int p = 0;
    for (int i = 0; i < N; ++i)
      for (int j = 0; j <= i; ++j, ++p) {
        double s = 0;
        for (int a = 0; a < M; ++a) s += f.d1[a] * y[a].d2[p] + r[a][j] * y[a].d1[i];
        h.d2[p] = s;
      }
    if constexpr (K >= 3) {
      // q[a][j][k] = sum_bc f_abc y_b,j y_c,k
      double fy[M][M][N] = {};
      for (int a = 0; a < M; ++a)
        for (int b = 0; b < M; ++b)
          for (int c = 0; c < M; ++c) {
            const double fabc = f.d3[triple_any(a, b, c)];
            for (int k = 0; k < N; ++k) fy[a][b][k] += fabc * y[c].d1[k];
          }
      double q[M][N][N] = {};
      for (int a = 0; a < M; ++a)
        for (int b = 0; b < M; ++b)
          for (int j = 0; j < N; ++j)
            for (int k = 0; k < N; ++k) q[a][j][k] += fy[a][b][k] * y[b].d1[j];
      int t = 0;
      for (int i = 0; i < N; ++i)
        for (int j = 0; j <= i; ++j)
          for (int k = 0; k <= j; ++k, ++t) {
            const int ij = pair_index(i, j), ik = pair_index(i, k), jk = pair_index(j, k);
            double s = 0;
            for (int a = 0; a < M; ++a)
              s += f.d1[a] * y[a].d3[t] + q[a][j][k] * y[a].d1[i] + y[a].d2[ij] * r[a][k] +
                   y[a].d2[ik] * r[a][j] + y[a].d2[jk] * r[a][i];
            h.d3[t] = s;
          }
    }
  }
  return h;
}

}  // namespace ostrel::xc
