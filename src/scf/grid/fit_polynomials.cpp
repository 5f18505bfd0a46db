#include "scf/grid/fit_polynomials.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "integrals/solid_harmonics.hpp"
#include "linalg/vector_exp.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

// Coefficients of one shell: the value polynomial, then its three derivatives.
int polynomial_size(int l) { return cartesian_count(l) + (l > 0 ? 3 * cartesian_count(l - 1) : 0); }

}  // namespace

FitPolynomials fit_polynomials(const ShellSet& set, const double* coef) {
  std::int64_t total = 0;
  for (int i = 0; i < set.n_shells; ++i) total += polynomial_size(set.shells[i].l);
  FitPolynomials p{};
  p.block = pool_alloc(8 * total + 4 * std::int64_t{set.n_shells} + 8);
  p.coef = static_cast<double*>(p.block);
  p.offset = reinterpret_cast<int*>(p.coef + total);
  std::int64_t at = 0;
  for (int i = 0; i < set.n_shells; ++i) {
    const GaussianShell& sh = set.shells[i];
    const int l = sh.l, n = cartesian_count(l);
    p.offset[i] = static_cast<int>(at);
    double* c = p.coef + at;
    const int size = polynomial_size(l);
    for (int k = 0; k < size; ++k) c[k] = 0.0;
    at += size;
    if (!coef) continue;
    for (int s = 0; s <= 2 * l; ++s)
      for (const SolidHarmonicTerm& t : solid_harmonic_terms(l, s))
        c[t.cartesian] += coef[sh.first_function + s] * t.coefficient;
    if (l == 0) continue;
    // d/dx x^a y^b z^c = a x^(a-1) y^b z^c, and so on.
    const int nd = cartesian_count(l - 1);
    for (int k = 0; k < n; ++k) {
      const CartesianPowers q = cartesian_powers(l, k);
      if (q.a > 0) c[n + cartesian_index(l - 1, q.a - 1, q.b, q.c)] += q.a * c[k];
      if (q.b > 0) c[n + nd + cartesian_index(l - 1, q.a, q.b - 1, q.c)] += q.b * c[k];
      if (q.c > 0) c[n + 2 * nd + cartesian_index(l - 1, q.a, q.b, q.c - 1)] += q.c * c[k];
    }
  }
  return p;
}

void fit_polynomials_release(FitPolynomials& p) {
  if (p.block) pool_release(p.block);
  p = FitPolynomials{};
}

namespace {

constexpr int R = kRunPoints;

// Adds the density of one shell's polynomials at the run (value and gradient of Q g(r^2)).
inline void add_density(const FitPolynomials& p, int shell, int l, const double* mono, int n,
                        const double* g0, const double* g1, const double* d[3], double* sum) {
  const double* c = p.coef + p.offset[shell];
  const int count = cartesian_count(l);
  double q[R], qd[R];
  run_polynomial(count, c, mono + monomial_start(l) * R, n, q);
  for (int i = 0; i < n; ++i) sum[i] += q[i] * g0[i];
  for (int axis = 0; axis < 3; ++axis) {
    double* s = sum + (1 + axis) * R;
    for (int i = 0; i < n; ++i) s[i] += q[i] * g1[i] * d[axis][i];
    if (l == 0) continue;
    const int nd = cartesian_count(l - 1);
    run_polynomial(nd, c + count + axis * nd, mono + monomial_start(l - 1) * R, n, qd);
    for (int i = 0; i < n; ++i) s[i] += qd[i] * g0[i];
  }
}

}  // namespace

void fit_run_sums(const ShellSet& set, const double* extent2, const double* points, int n,
                  const int* shell, int n_candidates, const FitPolynomials& pa, const FitPolynomials* pb,
                  const double* radial, double* mono, double* sum_a, double* sum_b) {
  double dx[R], dy[R], dz[R], t[R], g0[R], g1[R], e[R];
  const double* d[3] = {dx, dy, dz};
  for (int k = 0; k < 4 * R; ++k) sum_a[k] = sum_b[k] = 0.0;
  const double* centre = nullptr;
  double nearest = 0.0;  // the run's smallest squared distance to `centre`
  int degree = -1;  // monomials of `centre` known through this degree
  for (int m = 0; m < n_candidates; ++m) {
    const int index = shell[m];
    const GaussianShell& sh = set.shells[index];
    if (sh.centre != centre) {
      centre = sh.centre;
      degree = -1;
      for (int i = 0; i < n; ++i) {
        dx[i] = points[3 * i] - centre[0];
        dy[i] = points[3 * i + 1] - centre[1];
        dz[i] = points[3 * i + 2] - centre[2];
        t[i] = dx[i] * dx[i] + dy[i] * dy[i] + dz[i] * dz[i];
      }
      nearest = t[0];
      for (int i = 1; i < n; ++i) nearest = std::min(nearest, t[i]);
    }
    if (radial && !std::isnan(radial[2 * m])) {
      if (radial[2 * m] == 0.0) continue;
      for (int i = 0; i < n; ++i) g0[i] = radial[2 * m], g1[i] = radial[2 * m + 1];
    } else {
      const double reach = extent2[index];
      if (nearest > reach) continue;  // zero at every point of the run
      for (int i = 0; i < n; ++i) g0[i] = g1[i] = 0.0;
      for (int k = 0; k < sh.n_primitives; ++k) {
        const double a = sh.exponent[k], c = sh.coef[k];
        for (int i = 0; i < n; ++i) e[i] = t[i] > reach || a * t[i] >= 100.0 ? -1000.0 : -a * t[i];
        exp_nonpositive(n, e, e);
        for (int i = 0; i < n; ++i) {
          const double v = c * e[i];
          g0[i] += v;
          g1[i] -= 2.0 * a * v;
        }
      }
    }
    if (degree < sh.l) {
      run_monomials(d, degree + 1, sh.l, n, mono);
      degree = sh.l;
    }
    add_density(pa, index, sh.l, mono, n, g0, g1, d, sum_a);
    if (pb) add_density(*pb, index, sh.l, mono, n, g0, g1, d, sum_b);
  }
}

}  // namespace ostrel
