// Two-centre quantities of one atom pair: the multipole two-electron integrals (Dewar and
// Thiel 1977; charges separated by D1 and D2, Klopman-Ohno additive terms), the resonance
// overlaps, both built in the diatomic frame and turned into the molecular axes.
#include "models/nddo/nddo_pair.hpp"

#include <cmath>

namespace ostrel {
namespace {

struct Charges {
  int n;
  double q[4];
  double x[4][3];
  double rho;
};

struct Distribution {
  int parts;
  Charges c[2];
};

Charges monopole(double rho) {
  Charges c{};
  c.n = 1;
  c.q[0] = 1;
  c.rho = rho;
  return c;
}

// Local distribution of the product of functions i and j (0 = s, 1..3 = x, y, z).
Distribution distribution(const NddoAtom& a, int i, int j) {
  Distribution d{};
  if (i > j) std::swap(i, j);
  if (j == 0) {
    d.parts = 1;
    d.c[0] = monopole(a.rho0);
    return d;
  }
  if (i == 0) {
    Charges& c = d.c[0];
    d.parts = 1;
    c.n = 2;
    c.rho = a.rho1;
    c.q[0] = 0.5;
    c.q[1] = -0.5;
    c.x[0][j - 1] = a.d1;
    c.x[1][j - 1] = -a.d1;
    return d;
  }
  if (i == j) {
    d.parts = 2;
    d.c[0] = monopole(a.rho0);
    Charges& c = d.c[1];
    c.n = 3;
    c.rho = a.rho2;
    c.q[0] = c.q[1] = 0.25;
    c.q[2] = -0.5;
    c.x[0][i - 1] = 2 * a.d2;
    c.x[1][i - 1] = -2 * a.d2;
    return d;
  }
  d.parts = 1;
  Charges& c = d.c[0];
  c.n = 4;
  c.rho = a.rho2;
  const int k = i - 1, l = j - 1;
  const double s[4][2] = {{1, 1}, {-1, -1}, {1, -1}, {-1, 1}};
  for (int m = 0; m < 4; ++m) {
    c.q[m] = m < 2 ? 0.25 : -0.25;
    c.x[m][k] = s[m][0] * a.d2;
    c.x[m][l] = s[m][1] * a.d2;
  }
  return d;
}

// Interaction (hartree) of two local distributions, B displaced by r along z.
template <class T>
T interaction(const Distribution& da, const Distribution& db, const T& r) {
  using std::sqrt;
  T sum = 0.0;
  for (int pa = 0; pa < da.parts; ++pa)
    for (int pb = 0; pb < db.parts; ++pb) {
      const Charges& ca = da.c[pa];
      const Charges& cb = db.c[pb];
      const double rr = (ca.rho + cb.rho) * (ca.rho + cb.rho);
      for (int u = 0; u < ca.n; ++u)
        for (int v = 0; v < cb.n; ++v) {
          const double dx = cb.x[v][0] - ca.x[u][0], dy = cb.x[v][1] - ca.x[u][1];
          const T dz = r + T(cb.x[v][2] - ca.x[u][2]);
          sum += T(ca.q[u] * cb.q[v]) / sqrt(dz * dz + T(dx * dx + dy * dy + rr));
        }
    }
  return sum;
}

// Local axes: rows 0, 1, 2 are the x', y', z' axes in molecular coordinates, z' along r.
template <class T>
void local_axes(const T r[3], const T& dist, T axes[3][3]) {
  using std::sqrt;
  for (int k = 0; k < 3; ++k) axes[2][k] = r[k] / dist;
  const T* z = axes[2];
  // Any perpendicular x' does: the integrals over a complete p shell do not depend on it.
  int small = 0;
  for (int k = 1; k < 3; ++k)
    if (std::fabs(value_of(z[k])) < std::fabs(value_of(z[small]))) small = k;
  const T zero = 0.0;
  T x[3];
  // x' = e_small x z
  x[small] = zero;
  x[(small + 1) % 3] = zero - z[(small + 2) % 3];
  x[(small + 2) % 3] = z[(small + 1) % 3];
  const T nx = sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
  for (int k = 0; k < 3; ++k) axes[0][k] = x[k] / nx;
  const T* xx = axes[0];
  axes[1][0] = z[1] * xx[2] - z[2] * xx[1];
  axes[1][1] = z[2] * xx[0] - z[0] * xx[2];
  axes[1][2] = z[0] * xx[1] - z[1] * xx[0];
}

}  // namespace

template <class T>
void nddo_pair(const NddoAtom& a, const NddoAtom& b, const T r[3], NddoPairT<T>& out) {
  using std::sqrt;
  const T dist = sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
  T axes[3][3];
  local_axes(r, dist, axes);
  // t[m][i]: molecular function m in terms of local function i.
  T t[4][4];
  for (int m = 0; m < 4; ++m)
    for (int i = 0; i < 4; ++i) t[m][i] = m == 0 && i == 0 ? 1.0 : 0.0;
  for (int m = 1; m < 4; ++m)
    for (int i = 1; i < 4; ++i) t[m][i] = axes[i - 1][m - 1];
  const int na = a.nbf, nb = b.nbf;

  T loc[4][4][4][4];
  Distribution dsa[4][4], dsb[4][4];
  for (int i = 0; i < na; ++i)
    for (int j = 0; j < na; ++j) dsa[i][j] = distribution(a, i, j);
  for (int k = 0; k < nb; ++k)
    for (int l = 0; l < nb; ++l) dsb[k][l] = distribution(b, k, l);
  for (int i = 0; i < na; ++i)
    for (int j = 0; j <= i; ++j)
      for (int k = 0; k < nb; ++k)
        for (int l = 0; l <= k; ++l) {
          const T v = T(kNddoEv) * interaction(dsa[i][j], dsb[k][l], dist);
          loc[i][j][k][l] = loc[j][i][k][l] = loc[i][j][l][k] = loc[j][i][l][k] = v;
        }
  // The point charges do not make (xy|xy) invariant under rotations about the axis; the
  // model defines it from the other two pi integrals instead.
  if (na > 1 && nb > 1) {
    const T v = T(0.5) * (loc[1][1][1][1] - loc[1][1][2][2]);
    loc[1][2][1][2] = loc[2][1][1][2] = loc[1][2][2][1] = loc[2][1][2][1] = v;
  }
  // Four quarter transformations into the molecular axes, one index at a time.
  T flat[256], next[256];
  for (T& x : flat) x = 0.0;
  for (int i = 0; i < na; ++i)
    for (int j = 0; j < na; ++j)
      for (int k = 0; k < nb; ++k)
        for (int l = 0; l < nb; ++l) flat[i * 64 + j * 16 + k * 4 + l] = loc[i][j][k][l];
  for (int pos = 0; pos < 4; ++pos) {
    const int stride = 1 << (2 * (3 - pos));
    for (int x = 0; x < 256; ++x) {
      const int m = (x / stride) & 3, base = x - m * stride;
      // s never mixes with p under a rotation
      T v = flat[base];
      if (m > 0) {
        v = 0.0;
        for (int i = 1; i < 4; ++i) v += t[m][i] * flat[base + i * stride];
      }
      next[x] = v;
    }
    for (int x = 0; x < 256; ++x) flat[x] = next[x];
  }
  for (int m = 0; m < na; ++m)
    for (int n = 0; n < na; ++n)
      for (int p = 0; p < nb; ++p)
        for (int q = 0; q < nb; ++q) out.w[(m * na + n) * nb * nb + p * nb + q] = flat[m * 64 + n * 16 + p * 4 + q];

  // Resonance integrals: the mean beta of the two shells times the overlap.
  const NddoLocalOverlap<T> s = nddo_local_overlap(a.n, a.zeta[0], a.zeta[1], na > 1, b.n, b.zeta[0],
                                                b.zeta[1], nb > 1, dist);
  T sl[4][4];
  for (auto& row : sl)
    for (T& x : row) x = 0.0;
  sl[0][0] = s.sigma[0][0];
  if (nb > 1) sl[0][3] = s.sigma[0][1];
  if (na > 1) sl[3][0] = s.sigma[1][0];
  if (na > 1 && nb > 1) {
    sl[3][3] = s.sigma[1][1];
    sl[1][1] = sl[2][2] = s.pi;
  }
  for (int m = 0; m < na; ++m)
    for (int p = 0; p < nb; ++p) {
      T v = 0.0;
      for (int i = 0; i < na; ++i)
        for (int k = 0; k < nb; ++k) v += t[m][i] * t[p][k] * sl[i][k];
      out.h[m * nb + p] = T(0.5 * (a.beta[m > 0] + b.beta[p > 0])) * v;
    }
  out.gamma = out.w[0];
}

template void nddo_pair(const NddoAtom&, const NddoAtom&, const double[3], NddoPairT<double>&);
template void nddo_pair(const NddoAtom&, const NddoAtom&, const Dual3[3], NddoPairT<Dual3>&);

}  // namespace ostrel
