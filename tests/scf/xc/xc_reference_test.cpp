// Energy densities and their first and second derivatives against libxc (values in
// generated/xc_libxc_reference.hpp, see there for program and settings) and, for the kinds libxc lacks,
// against the closed forms evaluated independently (generated/xc_formula_reference.hpp).
#include <algorithm>
#include <cmath>

#include "scf/xc/generated/xc_formula_reference.hpp"
#include "scf/xc/xc_full_tensors.hpp"
#include "scf/xc/generated/xc_libxc_reference.hpp"

namespace ostrel {
namespace {

using testing::FullDerivatives;
using testing::kLibxcPoints;
using testing::kLibxcRows;

// libxc's derivatives in (rho_a, rho_b, sigma_aa, sigma_ab, sigma_bb) carried to the raw
// variables (rho_a, grad_a, rho_b, grad_b) by the chain rule.
FullDerivatives raw_from_native(const double* v, const testing::LibxcPoint& pt) {
  double jac[5][8] = {};
  jac[0][0] = 1;
  jac[1][4] = 1;
  for (int c = 0; c < 3; ++c) {
    jac[2][1 + c] = 2 * pt.grad_a[c];
    jac[3][1 + c] = pt.grad_b[c];
    jac[3][5 + c] = pt.grad_a[c];
    jac[4][5 + c] = 2 * pt.grad_b[c];
  }
  const double* f1 = v + 1;
  double f2[5][5];
  for (int a = 0; a < 5; ++a)
    for (int b = 0; b < 5; ++b) f2[a][b] = v[6 + testing::packed2(a, b)];
  FullDerivatives r;
  for (int i = 0; i < 8; ++i)
    for (int a = 0; a < 5; ++a) r.d1[i] += f1[a] * jac[a][i];
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) {
      double s = 0;
      for (int a = 0; a < 5; ++a)
        for (int b = 0; b < 5; ++b) s += jac[a][i] * f2[a][b] * jac[b][j];
      r.d2[i][j] = s;
    }
  for (int c = 0; c < 3; ++c) {  // second derivatives of the sigmas themselves
    r.d2[1 + c][1 + c] += 2 * f1[2];
    r.d2[1 + c][5 + c] += f1[3];
    r.d2[5 + c][1 + c] += f1[3];
    r.d2[5 + c][5 + c] += 2 * f1[4];
  }
  return r;
}

struct Errors {
  double e = 0, d1 = 0, d2 = 0;
};

Errors compare(const XcFunctional& f, const testing::LibxcPoint& pt, const double* ref) {
  const double a[4] = {pt.rho_a, pt.grad_a[0], pt.grad_a[1], pt.grad_a[2]};
  const double b[4] = {pt.rho_b, pt.grad_b[0], pt.grad_b[1], pt.grad_b[2]};
  double ex, ec;
  XcDerivatives d;
  xc_point(f, a, b, &ex, &ec, &d, 2, 1e-7);
  const FullDerivatives mine = testing::spread(d, 2);
  const FullDerivatives theirs = raw_from_native(ref, pt);
  Errors err;
  err.e = std::fabs(ex + ec - ref[0]) / std::fabs(ref[0]);
  double scale1 = 0, scale2 = 0;
  for (int i = 0; i < 8; ++i) {
    scale1 = std::max(scale1, std::fabs(theirs.d1[i]));
    for (int j = 0; j < 8; ++j) scale2 = std::max(scale2, std::fabs(theirs.d2[i][j]));
  }
  for (int i = 0; i < 8; ++i) {
    err.d1 = std::max(err.d1, std::fabs(mine.d1[i] - theirs.d1[i]) / scale1);
    for (int j = 0; j < 8; ++j)
      err.d2 = std::max(err.d2, std::fabs(mine.d2[i][j] - theirs.d2[i][j]) / scale2);
  }
  return err;
}

// Errors are relative: the energy density to its value, each derivative order to the largest
// entry of that order. libxc's own second derivatives are rounded at about 1e-14 of the
// largest, which bounds what can be seen there.
void expect_rows_match(const char* name, int x_code, int c_code, const double* p, const double (&values)[4][21]) {
  const XcFunctional f = testing::by_codes(x_code, c_code, p[0], p[1], p[2]);
  for (int k = 0; k < 4; ++k) {
    const Errors e = compare(f, kLibxcPoints[k], values[k]);
    EXPECT_LE(e.e, 1e-13) << name << " point " << k;
    EXPECT_LE(e.d1, 1e-13) << name << " point " << k;
    EXPECT_LE(e.d2, 1e-12) << name << " point " << k;
  }
}

TEST(XcLibxc, EnergyDensitiesAndDerivativesMatchLibxc) {
  for (const auto& row : kLibxcRows) expect_rows_match(row.name, row.x_code, row.c_code, row.p, row.values);
}

TEST(XcFormulas, KindsWithoutALibxcCounterpartMatchTheirClosedForms) {
  const double none[3] = {0, 0, 0};
  for (const auto& row : testing::kFormulaRows) expect_rows_match(row.name, row.x_code, row.c_code, none, row.values);
}

}  // namespace
}  // namespace ostrel
