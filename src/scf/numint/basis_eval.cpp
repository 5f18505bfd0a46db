#include "scf/numint/basis_eval.hpp"

#include <cmath>

#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "scf/numint/generated/basis_eval_kernels.hpp"

namespace ostrel {
namespace {

struct Powers {
  int a, b, c;
};

constexpr int kMaxDerivatives = basis_derivative_count(kBasisEvalMaxOrder);

Powers derivative_powers(int k) {
  int n = 0;
  while (basis_derivative_count(n) <= k) ++n;
  const int i = k - basis_derivative_count(n - 1);
  int m = 0;
  while ((m + 1) * (m + 2) / 2 <= i) ++m;
  const int c = i - m * (m + 1) / 2;
  return {n - m, m - c, c};
}

// Leibniz terms of d^alpha (P g): out_alpha = sum coef P_beta G_(alpha - beta).
struct LeibnizTerm {
  int beta, gamma;
  double coef;
};
struct LeibnizTable {
  LeibnizTerm terms[kMaxDerivatives * kMaxDerivatives];
  int first[kMaxDerivatives + 1];
};

int choose(int n, int k) { return k == 0 || k == n ? 1 : n; }  // n <= 3

const LeibnizTable& leibniz() {
  static const LeibnizTable table = [] {
    LeibnizTable t{};
    int n = 0;
    for (int k = 0; k < kMaxDerivatives; ++k) {
      t.first[k] = n;
      const Powers al = derivative_powers(k);
      for (int bx = 0; bx <= al.a; ++bx)
        for (int by = 0; by <= al.b; ++by)
          for (int bz = 0; bz <= al.c; ++bz) {
            const int beta = basis_derivative_index(bx, by, bz);
            const int gamma = basis_derivative_index(al.a - bx, al.b - by, al.c - bz);
            const double coef = choose(al.a, bx) * choose(al.b, by) * choose(al.c, bz);
            t.terms[n++] = {beta, gamma, coef};
          }
    }
    t.first[kMaxDerivatives] = n;
    return t;
  }();
  return table;
}

// Derivatives of g(r^2) through `order`, from g1..g3, the derivatives of g with respect to
// t = r^2 (g[0] is g itself).
void radial_derivatives(const double d[3], const double g[4], int order, double* G) {
  G[0] = g[0];
  if (order < 1) return;
  const double x = d[0], y = d[1], z = d[2];
  G[1] = 2 * x * g[1];
  G[2] = 2 * y * g[1];
  G[3] = 2 * z * g[1];
  if (order < 2) return;
  const double f2 = 4 * g[2];
  G[4] = 2 * g[1] + f2 * x * x;
  G[5] = f2 * x * y;
  G[6] = f2 * x * z;
  G[7] = 2 * g[1] + f2 * y * y;
  G[8] = f2 * y * z;
  G[9] = 2 * g[1] + f2 * z * z;
  if (order < 3) return;
  const double f3 = 8 * g[3];
  G[10] = 3 * f2 * x + f3 * x * x * x;  // xxx
  G[11] = f2 * y + f3 * x * x * y;      // xxy
  G[12] = f2 * z + f3 * x * x * z;      // xxz
  G[13] = f2 * x + f3 * x * y * y;      // xyy
  G[14] = f3 * x * y * z;               // xyz
  G[15] = f2 * x + f3 * x * z * z;      // xzz
  G[16] = 3 * f2 * y + f3 * y * y * y;  // yyy
  G[17] = f2 * z + f3 * y * y * z;      // yyz
  G[18] = f2 * y + f3 * y * z * z;      // yzz
  G[19] = 3 * f2 * z + f3 * z * z * z;  // zzz
}

}  // namespace

void shell_eval(const GaussianShell& shell, const double d[3], int order, double* out,
                int stride) {
  if (order < 0 || order > kBasisEvalMaxOrder || shell.l < 0 || shell.l > kAngularKernelMaxL)
    fatal_error("\n %d: no basis evaluation kernel for l = %d, order %d\n", node_id, shell.l,
                order);
  const double t = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
  double g[4] = {0, 0, 0, 0};
  for (int k = 0; k < shell.n_primitives; ++k) {
    const double a = shell.exponent[k];
    double term = shell.coef[k] * std::exp(-a * t);
    for (int n = 0; n <= order; ++n) {
      g[n] += term;
      term *= -a;
    }
  }
  const int nf = 2 * shell.l + 1;
  double p[kMaxDerivatives * (2 * kAngularKernelMaxL + 1)];
  angular_kernel(shell.l, order)(d[0], d[1], d[2], p);
  if (order == 0) {
    for (int s = 0; s < nf; ++s) out[s] = p[s] * g[0];
    return;
  }
  double G[kMaxDerivatives];
  radial_derivatives(d, g, order, G);
  const LeibnizTable& table = leibniz();
  const int count = basis_derivative_count(order);
  for (int k = 0; k < count; ++k) {
    double* o = out + static_cast<long>(k) * stride;
    for (int s = 0; s < nf; ++s) o[s] = 0.0;
    for (int j = table.first[k]; j < table.first[k + 1]; ++j) {
      const LeibnizTerm& term = table.terms[j];
      const double f = term.coef * G[term.gamma];
      if (f == 0.0) continue;
      const double* pb = p + term.beta * nf;
      for (int s = 0; s < nf; ++s) o[s] += f * pb[s];
    }
  }
}

int basis_eval_point(const ShellSet& set, const double* extent2, const double point[3],
                     const int* atoms, int n_list, int order, int* function, double* values,
                     int stride, int* atom_end) {
  int m = 0;
  for (int j = 0; j < n_list; ++j) {
    const int atom = atoms[j];
    for (int i = set.atom_first_shell[atom]; i < set.atom_first_shell[atom + 1]; ++i) {
      const GaussianShell& shell = set.shells[i];
      const double d[3] = {point[0] - shell.centre[0], point[1] - shell.centre[1],
                           point[2] - shell.centre[2]};
      if (d[0] * d[0] + d[1] * d[1] + d[2] * d[2] > extent2[i]) continue;
      shell_eval(shell, d, order, values + m, stride);
      const int nf = 2 * shell.l + 1;
      for (int s = 0; s < nf; ++s) function[m + s] = shell.first_function + s;
      m += nf;
    }
    if (atom_end) atom_end[j] = m;
  }
  return m;
}

}  // namespace ostrel
