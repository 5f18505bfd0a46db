#pragma once
// Derivatives of xc_point spread out to full tensors in the eight raw variables
// (alpha rho, gx, gy, gz, then beta), so that tests can index them plainly; functionals by
// code or by name.
#include <gtest/gtest.h>

#include <array>

#include "scf/xc/xc_point.hpp"

namespace ostrel::testing {

// A gradient-level functional of exchange and correlation codes with parameters p[0..2].
inline XcFunctional by_codes(int x_code, int c_code, double p0 = 0, double p1 = 0, double p2 = 0) {
  const double p[32] = {p0, p1, p2};
  const std::int32_t n[5] = {};
  XcFunctional f = xc_cleared(p, n);
  f.x_code = x_code;
  f.c_code = c_code;
  f.level = 1;
  return f;
}

// The functional of a name of the table (all parameters at their defaults).
inline XcFunctional named_functional(const char* name) {
  const double p[32] = {};
  const std::int32_t n[5] = {};
  XcFunctional f = xc_cleared(p, n);
  if (!xc_lookup(name, f)) ADD_FAILURE() << name;
  return f;
}

struct FullDerivatives {
  std::array<double, 8> d1{};
  std::array<std::array<double, 8>, 8> d2{};
  std::array<std::array<std::array<double, 8>, 8>, 8> d3{};
};

inline int packed2(int i, int j) { return i >= j ? i * (i + 1) / 2 + j : j * (j + 1) / 2 + i; }
inline int packed3(int i, int j, int k) {
  int a[3] = {i, j, k};
  for (int p = 0; p < 2; ++p)
    for (int q = 0; q < 2 - p; ++q)
      if (a[q] < a[q + 1]) std::swap(a[q], a[q + 1]);
  return a[0] * (a[0] + 1) * (a[0] + 2) / 6 + a[1] * (a[1] + 1) / 2 + a[2];
}

inline FullDerivatives spread(const XcDerivatives& d, int order) {
  FullDerivatives f;
  for (int i = 0; i < 8; ++i) f.d1[i] = d.d1[i / 4][i % 4];
  if (order >= 2)
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < 8; ++j) {
        const int si = i / 4, sj = j / 4, u = i % 4, v = j % 4;
        if (si == sj)
          f.d2[i][j] = d.d2[si][packed2(u, v)];
        else
          f.d2[i][j] = si == 0 ? d.d2ab[4 * u + v] : d.d2ab[4 * v + u];
      }
  if (order >= 3)
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < 8; ++j)
        for (int k = 0; k < 8; ++k) {
          int alpha[3], beta[3], na = 0, nb = 0;
          for (int x : {i, j, k}) {
            if (x < 4)
              alpha[na++] = x;
            else
              beta[nb++] = x - 4;
          }
          double v;
          if (nb == 0)
            v = d.d3[0][packed3(alpha[0], alpha[1], alpha[2])];
          else if (na == 0)
            v = d.d3[1][packed3(beta[0], beta[1], beta[2])];
          else if (na == 2)
            v = d.d3aab[4 * packed2(alpha[0], alpha[1]) + beta[0]];
          else
            v = d.d3abb[10 * alpha[0] + packed2(beta[0], beta[1])];
          f.d3[i][j][k] = v;
        }
  return f;
}

}  // namespace ostrel::testing
