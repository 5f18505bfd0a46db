#include "integrals/core_potential.hpp"

#include <cmath>

#include "integrals/core_potential_angular.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

constexpr double kFourPi = 12.566370614359172;

double binomial(int n, int k) {
  double r = 1.0;
  for (int i = 1; i <= k; ++i) r = r * (n - k + i) / i;
  return r;
}

// Monomials of degrees 0..l, and where degree g starts among them.
constexpr int poly_count(int l) { return (l + 1) * (l + 2) * (l + 3) / 6; }
constexpr int poly_offset(int g) { return g * (g + 1) * (g + 2) / 6; }

int share_points(int first, int stride) {
  return first < kCoreRadialPoints ? (kCoreRadialPoints - first + stride - 1) / stride : 0;
}

// A shell with arbitrary polynomial components of one degree about its centre: the
// spherical shell itself, or a piece of its derivative with respect to the centre.
struct PolyShell {
  const double* centre;
  int l;  // polynomial degree
  int ncomp;
  int nprim;
  const double* exponents;
  PoolArray<double> comp;  // ncomp x cartesian_count(l)
  PoolArray<double> coef;  // nprim

  explicit PolyShell(const Shell& s)
      : centre(s.centre),
        l(s.l),
        ncomp(shell_size(s.l)),
        nprim(s.nprim),
        exponents(s.exponents),
        comp(static_cast<long>(ncomp) * cartesian_count(l)),
        coef(nprim) {
    for (long i = 0; i < comp.size(); ++i) comp[i] = 0.0;
    for (int c = 0; c < ncomp; ++c)
      for (const auto& t : solid_harmonic_terms(l, c))
        comp[c * cartesian_count(l) + t.cartesian] = t.coefficient;
    for (int k = 0; k < nprim; ++k) coef[k] = s.coefficients[k];
  }

  // d/dA_k [P(r - A) exp(-a |r - A|^2)] = 2a (x_k - A_k) P exp(..) - (dP/dx_k) exp(..): the
  // raised piece (degree l + 1, coefficients times 2a) or the lowered one (degree l - 1).
  PolyShell(const PolyShell& s, int k, bool raise)
      : centre(s.centre),
        l(raise ? s.l + 1 : s.l - 1),
        ncomp(s.ncomp),
        nprim(s.nprim),
        exponents(s.exponents),
        comp(static_cast<long>(ncomp) * cartesian_count(l)),
        coef(nprim) {
    for (int i = 0; i < nprim; ++i) coef[i] = raise ? 2.0 * exponents[i] * s.coef[i] : s.coef[i];
    const int nin = cartesian_count(s.l), nout = cartesian_count(l);
    for (long i = 0; i < comp.size(); ++i) comp[i] = 0.0;
    for (int c = 0; c < ncomp; ++c)
      for (int m = 0; m < nin; ++m) {
        const double v = s.comp[c * nin + m];
        if (v == 0.0) continue;
        const CartesianPowers q = cartesian_powers(s.l, m);
        int e[3] = {q.a, q.b, q.c};
        if (raise) {
          ++e[k];
          comp[c * nout + cartesian_index(l, e[0], e[1], e[2])] += v;
        } else if (e[k] > 0) {
          const double f = e[k]--;
          comp[c * nout + cartesian_index(l, e[0], e[1], e[2])] += f * v;
        }
      }
  }
};

// A shell seen from the potential's centre C: with u the unit direction and r the distance
// from C, component s is sum_g r^g sum_{Q of degree g} f[s][Q] u^Q times its Gaussians.
struct ShellAboutCentre {
  int l, ncomp;
  double dist;          // |A - C|
  double dir[3];        // (A - C) / |A - C|, z when A = C
  PoolArray<double> f;  // ncomp x poly_count(l), degree g at poly_offset(g)

  ShellAboutCentre(const PolyShell& s, const double* c)
      : l(s.l), ncomp(s.ncomp), f(static_cast<long>(s.ncomp) * poly_count(s.l)) {
    double ac[3];
    for (int k = 0; k < 3; ++k) ac[k] = s.centre[k] - c[k];
    dist = std::sqrt(ac[0] * ac[0] + ac[1] * ac[1] + ac[2] * ac[2]);
    for (int k = 0; k < 3; ++k) dir[k] = dist > 0.0 ? ac[k] / dist : (k == 2 ? 1.0 : 0.0);
    for (long i = 0; i < f.size(); ++i) f[i] = 0.0;
    const int nc = cartesian_count(l);
    for (int sc = 0; sc < ncomp; ++sc)
      for (int m = 0; m < nc; ++m) {
        const double coefficient = s.comp[sc * nc + m];
        if (coefficient == 0.0) continue;
        // (r u - AC)^p = prod_d sum_q binom(p_d, q_d) r^q_d u_d^q_d (-AC_d)^(p_d - q_d)
        const CartesianPowers p = cartesian_powers(l, m);
        for (int qx = 0; qx <= p.a; ++qx)
          for (int qy = 0; qy <= p.b; ++qy)
            for (int qz = 0; qz <= p.c; ++qz) {
              const int g = qx + qy + qz;
              f[sc * poly_count(l) + poly_offset(g) + cartesian_index(g, qx, qy, qz)] +=
                  coefficient * binomial(p.a, qx) * binomial(p.b, qy) * binomial(p.c, qz) *
                  std::pow(-ac[0], p.a - qx) * std::pow(-ac[1], p.b - qy) * std::pow(-ac[2], p.c - qz);
            }
      }
  }
  double at(int s, int g, int q) const { return f[s * poly_count(l) + poly_offset(g) + q]; }
};

// h[lambda] = sum_mu Y'_{lambda mu}(dir) mean(Y'_{l m} Y'_{lambda mu} u^Q), lambda <= l + deg Q:
// the plane wave exp(z u.dir) = sum_lambda i_lambda(z) sum_mu Y'(u) Y'(dir) projected.
void plane_wave_factors(int l, int m, int qa, int qb, int qc, const double* dir, double* h) {
  const int top = l + qa + qb + qc;
  for (int lam = 0; lam <= top; ++lam) {
    h[lam] = 0.0;
    if ((lam + top) & 1) continue;
    for (int mu = 0; mu <= 2 * lam; ++mu) {
      double mean = 0.0;
      for (const auto& t : solid_harmonic_terms(l, m)) {
        const CartesianPowers p = cartesian_powers(l, t.cartesian);
        mean += t.coefficient * harmonic_monomial_mean(lam, mu, p.a + qa, p.b + qb, p.c + qc);
      }
      if (mean != 0.0) h[lam] += harmonic_value(lam, mu, dir) * mean;
    }
  }
}

// Channel projections (1/4pi) integral dOmega Y'_lm(u) chi(C + r u) of every component at
// the share's radial points: out[(point * lmax^2 + lm) * ncomp + s].
void channel_projections(const PolyShell& sh, const CorePotential& u, int first, int stride, double* out) {
  const ShellAboutCentre sc(sh, u.centre);
  const int nlm = u.lmax * u.lmax, ns = sh.ncomp, lam_dim = u.lmax + sh.l + 1;
  // Fold the expansion into w[lm][s][g][lambda] once; a radial point then needs only
  // Bessel values and powers of r.
  PoolArray<double> w(static_cast<long>(nlm) * ns * (sh.l + 1) * lam_dim);
  for (long i = 0; i < w.size(); ++i) w[i] = 0.0;
  auto wi = [&](int lm, int s, int g, int lam) {
    return ((static_cast<long>(lm) * ns + s) * (sh.l + 1) + g) * lam_dim + lam;
  };
  double h[kCoreAngularMaxOrder + 1];
  for (int l = 0; l < u.lmax; ++l)
    for (int m = 0; m <= 2 * l; ++m)
      for (int g = 0; g <= sh.l; ++g)
        for (int q = 0; q < cartesian_count(g); ++q) {
          const CartesianPowers qp = cartesian_powers(g, q);
          plane_wave_factors(l, m, qp.a, qp.b, qp.c, sc.dir, h);
          for (int s = 0; s < ns; ++s) {
            const double f = sc.at(s, g, q);
            if (f == 0.0) continue;
            for (int lam = 0; lam <= l + g; ++lam) w[wi(l * l + m, s, g, lam)] += f * h[lam];
          }
        }
  double bes[kCoreAngularMaxOrder + 1], rg[kCoreAngularMaxOrder + 1];
  int point = 0;
  for (int k = first; k < kCoreRadialPoints; k += stride, ++point) {
    double r, wr;
    core_radial_point(k, r, wr);
    double* dst = out + static_cast<long>(point) * nlm * ns;
    for (int i = 0; i < nlm * ns; ++i) dst[i] = 0.0;
    rg[0] = 1.0;
    for (int g = 1; g <= sh.l; ++g) rg[g] = rg[g - 1] * r;
    for (int p = 0; p < sh.nprim; ++p) {
      const double a = sh.exponents[p];
      const double e = a * (r - sc.dist) * (r - sc.dist);
      if (e > 40.0) continue;
      // exp(-a |r u - AC|^2) = exp(-a (r - d)^2) exp(2 a r d (u.dir - 1))
      const double scale = sh.coef[p] * std::exp(-e);
      scaled_bessel_i(lam_dim - 1, 2.0 * a * r * sc.dist, bes);
      for (int lm = 0; lm < nlm; ++lm)
        for (int s = 0; s < ns; ++s) {
          double v = 0.0;
          for (int g = 0; g <= sh.l; ++g) {
            const double* src = &w[wi(lm, s, g, 0)];
            double vg = 0.0;
            for (int lam = 0; lam < lam_dim; ++lam) vg += bes[lam] * src[lam];
            v += rg[g] * vg;
          }
          dst[lm * ns + s] += scale * v;
        }
    }
  }
}

double channel_value(int n, const CoreTerm* t, double r) {
  double v = 0.0;
  for (int i = 0; i < n; ++i) {
    const double ar2 = t[i].a * r * r;
    if (ar2 > 40.0) continue;
    v += t[i].c * std::pow(r, t[i].n) * std::exp(-ar2);
  }
  return v;
}

void semilocal_block(const double* proj_b, int nb, const double* proj_a, int na, const CorePotential& u,
                     int first, int stride, double* out) {
  const int nlm = u.lmax * u.lmax;
  int point = 0;
  for (int k = first; k < kCoreRadialPoints; k += stride, ++point) {
    double r, wr;
    core_radial_point(k, r, wr);
    const double* pa = proj_a + static_cast<long>(point) * nlm * na;
    const double* pb = proj_b + static_cast<long>(point) * nlm * nb;
    for (int l = 0; l < u.lmax; ++l) {
      const double ul = channel_value(u.nsemi[l], u.semi[l], r);
      if (ul == 0.0) continue;
      const double factor = kFourPi * wr * r * r * ul;
      for (int lm = l * l; lm < (l + 1) * (l + 1); ++lm)
        for (int ib = 0; ib < nb; ++ib) {
          const double vb = factor * pb[lm * nb + ib];
          if (vb == 0.0) continue;
          for (int ia = 0; ia < na; ++ia) out[ib * na + ia] += vb * pa[lm * na + ia];
        }
    }
  }
}

// Local channel: the product of both shells projected on l = 0 about the centre, per
// primitive pair, since the plane-wave direction depends on both exponents.
void local_block(const PolyShell& b, const PolyShell& a, const CorePotential& u, int first, int stride,
                 double* out) {
  if (u.nlocal == 0) return;
  const ShellAboutCentre sa(a, u.centre), sb(b, u.centre);
  const int na = a.ncomp, nb = b.ncomp, top = a.l + b.l;
  PoolArray<double> w(static_cast<long>(nb) * na * (top + 1) * (top + 1));  // [ib][ia][g][lambda]
  auto wi = [&](int ib, int ia, int g) {
    return ((static_cast<long>(ib) * na + ia) * (top + 1) + g) * (top + 1);
  };
  double h[kCoreAngularMaxOrder + 1], bes[kCoreAngularMaxOrder + 1];
  double ac[3], bc[3];
  for (int k = 0; k < 3; ++k) {
    ac[k] = sa.dist * sa.dir[k];
    bc[k] = sb.dist * sb.dir[k];
  }
  for (int kb = 0; kb < b.nprim; ++kb)
    for (int ka = 0; ka < a.nprim; ++ka) {
      const double ea = a.exponents[ka], eb = b.exponents[kb];
      double kv[3];
      for (int k = 0; k < 3; ++k) kv[k] = 2.0 * (ea * ac[k] + eb * bc[k]);
      const double kappa = std::sqrt(kv[0] * kv[0] + kv[1] * kv[1] + kv[2] * kv[2]);
      double dir[3] = {0.0, 0.0, 1.0};
      if (kappa > 0.0)
        for (int k = 0; k < 3; ++k) dir[k] = kv[k] / kappa;
      for (long i = 0; i < w.size(); ++i) w[i] = 0.0;
      for (int ga = 0; ga <= a.l; ++ga)
        for (int qa = 0; qa < cartesian_count(ga); ++qa) {
          const CartesianPowers pa = cartesian_powers(ga, qa);
          for (int gb = 0; gb <= b.l; ++gb)
            for (int qb = 0; qb < cartesian_count(gb); ++qb) {
              const CartesianPowers pb = cartesian_powers(gb, qb);
              plane_wave_factors(0, 0, pa.a + pb.a, pa.b + pb.b, pa.c + pb.c, dir, h);
              const int g = ga + gb;
              for (int ib = 0; ib < nb; ++ib) {
                const double fb = sb.at(ib, gb, qb);
                if (fb == 0.0) continue;
                for (int ia = 0; ia < na; ++ia) {
                  const double f = fb * sa.at(ia, ga, qa);
                  if (f == 0.0) continue;
                  double* dst = &w[wi(ib, ia, g)];
                  for (int lam = 0; lam <= g; ++lam) dst[lam] += f * h[lam];
                }
              }
            }
        }
      const double c = a.coef[ka] * b.coef[kb];
      const double base = ea * sa.dist * sa.dist + eb * sb.dist * sb.dist;
      for (int k = first; k < kCoreRadialPoints; k += stride) {
        double r, wr;
        core_radial_point(k, r, wr);
        const double e = (ea + eb) * r * r + base - r * kappa;
        if (e > 40.0) continue;
        const double ul = channel_value(u.nlocal, u.local, r);
        if (ul == 0.0) continue;
        scaled_bessel_i(top, r * kappa, bes);
        const double factor = kFourPi * wr * r * r * ul * c * std::exp(-e);
        for (int ib = 0; ib < nb; ++ib)
          for (int ia = 0; ia < na; ++ia) {
            double v = 0.0, rg = 1.0;
            for (int g = 0; g <= top; ++g, rg *= r) {
              const double* src = &w[wi(ib, ia, g)];
              double vg = 0.0;
              for (int lam = 0; lam <= g; ++lam) vg += bes[lam] * src[lam];
              v += rg * vg;
            }
            out[ib * na + ia] += factor * v;
          }
      }
    }
}

// Local and semilocal parts of one block between two polynomial shells.
void poly_block(const PolyShell& b, const PolyShell& a, const CorePotential& u, int first, int stride,
                double* out) {
  local_block(b, a, u, first, stride, out);
  if (u.lmax == 0) return;
  const int npts = share_points(first, stride), nlm = u.lmax * u.lmax;
  PoolArray<double> pa(std::max(1L, static_cast<long>(npts) * nlm * a.ncomp));
  PoolArray<double> pb(std::max(1L, static_cast<long>(npts) * nlm * b.ncomp));
  channel_projections(a, u, first, stride, pa.data());
  channel_projections(b, u, first, stride, pb.data());
  semilocal_block(pb.data(), b.ncomp, pa.data(), a.ncomp, u, first, stride, out);
}

void check_limits(int lb, int la, const CorePotential& u, int extra) {
  if (u.lmax < 0 || u.lmax > 4) fatal_error("\n %d: core potential with Lmax %d\n", node_id, u.lmax);
  if (la + lb + extra + 3 > kCoreAngularMaxOrder)
    fatal_error("\n %d: core-potential integrals for l = %d, %d\n", node_id, lb, la);
}

}  // namespace

void core_radial_point(int k, double& r, double& w) {
  const double x = (k + 1) / 65.0;
  const double x3 = x * x * x;
  r = -std::log(1.0 - x3);
  w = 3.0 * x * x / ((1.0 - x3) * 65.0);
}

long core_projection_size(int l, const CorePotential& u, int first, int stride) {
  return static_cast<long>(share_points(first, stride)) * u.lmax * u.lmax * shell_size(l);
}

void core_projection(const Shell& s, const CorePotential& u, int first, int stride, double* out) {
  check_limits(s.l, 0, u, 0);
  if (u.lmax == 0) return;
  const PolyShell p(s);
  channel_projections(p, u, first, stride, out);
}

void core_semilocal_block(const double* proj_b, int lb, const double* proj_a, int la, const CorePotential& u,
                          int first, int stride, double* out) {
  semilocal_block(proj_b, shell_size(lb), proj_a, shell_size(la), u, first, stride, out);
}

void core_local_block(const Shell& b, const Shell& a, const CorePotential& u, int first, int stride,
                      double* out) {
  check_limits(b.l, a.l, u, 0);
  const PolyShell pb(b), pa(a);
  local_block(pb, pa, u, first, stride, out);
}

void core_potential_derivative_shell_pair(const Shell& b, const Shell& a, const CorePotential& u, int first,
                                          int stride, double* out_b, double* out_a) {
  check_limits(b.l, a.l, u, 1);
  const PolyShell pb(b), pa(a);
  const int n = pa.ncomp * pb.ncomp;
  PoolArray<double> low(n);
  for (int k = 0; k < 3; ++k) {
    {
      const PolyShell up(pa, k, true);
      poly_block(pb, up, u, first, stride, out_a + k * n);
    }
    {
      const PolyShell up(pb, k, true);
      poly_block(up, pa, u, first, stride, out_b + k * n);
    }
    if (a.l > 0) {
      for (int i = 0; i < n; ++i) low[i] = 0.0;
      const PolyShell down(pa, k, false);
      poly_block(pb, down, u, first, stride, low.data());
      for (int i = 0; i < n; ++i) out_a[k * n + i] -= low[i];
    }
    if (b.l > 0) {
      for (int i = 0; i < n; ++i) low[i] = 0.0;
      const PolyShell down(pb, k, false);
      poly_block(down, pa, u, first, stride, low.data());
      for (int i = 0; i < n; ++i) out_b[k * n + i] -= low[i];
    }
  }
}

}  // namespace ostrel
