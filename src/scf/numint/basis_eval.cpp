#include "scf/numint/basis_eval.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "linalg/vector_exp.hpp"
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

// Bound on every |function| of the shell at radius r: a unit-mean-square real solid harmonic
// never exceeds sqrt(2l+1) on the unit sphere.
double shell_bound(const GaussianShell& shell, double r) {
  double sum = 0.0;
  for (int k = 0; k < shell.n_primitives; ++k)
    sum += std::fabs(shell.coef[k]) * std::exp(-shell.exponent[k] * r * r);
  return std::sqrt(2.0 * shell.l + 1.0) * std::pow(r, shell.l) * sum;
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

// The zeros of points beyond a shell's reach are a few doubles each; GCC turned their loops into
// calls of memset, about 5% of a run.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-tree-loop-distribute-patterns")))
#endif
void shell_eval_points(const GaussianShell& sh, double extent2, const double* points, int np,
                       int order, double* out, int ld, std::int64_t stride) {
  if (order > 2) {
    for (int i = 0; i < np; ++i) {
      const double d[3] = {points[3 * i] - sh.centre[0], points[3 * i + 1] - sh.centre[1],
                           points[3 * i + 2] - sh.centre[2]};
      double* o = out + static_cast<std::int64_t>(i) * ld;
      if (d[0] * d[0] + d[1] * d[1] + d[2] * d[2] <= extent2) {
        shell_eval(sh, d, order, o, static_cast<int>(stride));
      } else {
        for (int c = 0; c < basis_derivative_count(order); ++c)
          for (int f = 0; f < 2 * sh.l + 1; ++f) o[c * stride + f] = 0.0;
      }
    }
    return;
  }
  // The energy passes and the gradient run through here: the radial factors of a chunk of
  // points first, with an exponential that vectorises (the library's was a tenth of a pass).
  constexpr int kChunk = 64;
  const int nf = 2 * sh.l + 1;
  const int count = basis_derivative_count(order);
  const AngularKernel kernel = angular_kernel(sh.l, order);
  double p[10 * (2 * kAngularKernelMaxL + 1)];
  double dx[kChunk], dy[kChunk], dz[kChunk], t[kChunk], e[kChunk], g0[kChunk], g1[kChunk], g2[kChunk];
  for (int first = 0; first < np; first += kChunk) {
    const int n = std::min(kChunk, np - first);
    const double* at = points + 3 * first;
    for (int i = 0; i < n; ++i) {
      dx[i] = at[3 * i] - sh.centre[0], dy[i] = at[3 * i + 1] - sh.centre[1], dz[i] = at[3 * i + 2] - sh.centre[2];
      t[i] = dx[i] * dx[i] + dy[i] * dy[i] + dz[i] * dz[i];
      g0[i] = g1[i] = g2[i] = 0.0;
    }
    for (int k = 0; k < sh.n_primitives; ++k) {
      const double a = sh.exponent[k], c = sh.coef[k];
      for (int i = 0; i < n; ++i) e[i] = a * t[i] > 50.0 ? -1000.0 : -a * t[i];
      exp_nonpositive(n, e, e);
      for (int i = 0; i < n; ++i) {
        const double v = c * e[i];
        g0[i] += v;
        g1[i] -= a * v;
        g2[i] += a * a * v;
      }
    }
    for (int i = 0; i < n; ++i) {
      const double d[3] = {dx[i], dy[i], dz[i]};
      double* o = out + static_cast<std::int64_t>(first + i) * ld;
      if (t[i] > extent2) {
        for (int c = 0; c < count; ++c)
          for (int f = 0; f < nf; ++f) o[c * stride + f] = 0.0;
        continue;
      }
      kernel(d[0], d[1], d[2], p);
      const double v0 = g0[i];
      if (order == 0) {
        for (int f = 0; f < nf; ++f) o[f] = p[f] * v0;
        continue;
      }
      // d/dc (P g(r^2)) = P_c g + 2 d_c P g'
      const double h[3] = {2 * d[0] * g1[i], 2 * d[1] * g1[i], 2 * d[2] * g1[i]};
      for (int f = 0; f < nf; ++f) {
        const double v = p[f];
        o[f] = v * v0;
        for (int c = 0; c < 3; ++c) o[(1 + c) * stride + f] = p[(1 + c) * nf + f] * v0 + v * h[c];
      }
      if (order == 1) continue;
      // d2/dc de (P g) = P_ce g + P_c 2 d_e g' + P_e 2 d_c g' + P (2 delta_ce g' + 4 d_c d_e g'')
      constexpr int kPair[6][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 2}};
      for (int q = 0; q < 6; ++q) {
        const int c = kPair[q][0], x = kPair[q][1];
        const double r = (c == x ? 2 * g1[i] : 0.0) + 4 * d[c] * d[x] * g2[i];
        const double* pc = p + (1 + c) * nf;
        const double* px = p + (1 + x) * nf;
        const double* pq = p + (4 + q) * nf;
        double* oq = o + (4 + q) * stride;
        for (int f = 0; f < nf; ++f) oq[f] = pq[f] * v0 + pc[f] * h[x] + px[f] * h[c] + p[f] * r;
      }
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

double shell_extent2(const GaussianShell& shell, double threshold) {
  if (shell.n_primitives <= 0) return 0.0;
  if (!(threshold > 0.0)) return HUGE_VAL;  // no threshold: every function reaches everywhere
  double a_min = shell.exponent[0];
  double peak_sum = 0.0;  // sum of the peaks of the single terms bounds the whole
  for (int k = 0; k < shell.n_primitives; ++k) {
    const double a = shell.exponent[k];
    a_min = std::min(a_min, a);
    const double rp2 = shell.l / (2.0 * a);
    peak_sum += std::fabs(shell.coef[k]) * (shell.l ? std::pow(rp2, 0.5 * shell.l) : 1.0) *
                std::exp(-a * rp2);
  }
  if (std::sqrt(2.0 * shell.l + 1.0) * peak_sum < threshold) return 0.0;
  // Beyond the outermost peak every term falls, so the bound falls monotonically.
  double lo = std::sqrt(shell.l / (2.0 * a_min));
  double hi = std::max(lo, 1.0);
  while (shell_bound(shell, hi) >= threshold) {
    lo = hi;
    hi *= 2.0;
  }
  for (int it = 0; it < 60 && hi - lo > 1e-10 * hi; ++it) {
    const double mid = 0.5 * (lo + hi);
    (shell_bound(shell, mid) >= threshold ? lo : hi) = mid;
  }
  return hi * hi;
}

void shell_set_extents(const ShellSet& set, double threshold, double* extent2,
                       double* atom_extent2) {
  for (int a = 0; a < set.n_atoms; ++a) {
    double largest = 0.0;
    for (int i = set.atom_first_shell[a]; i < set.atom_first_shell[a + 1]; ++i) {
      extent2[i] = shell_extent2(set.shells[i], threshold);
      largest = std::max(largest, extent2[i]);
    }
    if (atom_extent2) atom_extent2[a] = largest;
  }
}

}  // namespace ostrel
