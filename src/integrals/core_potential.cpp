#include "integrals/core_potential.hpp"

#include <cmath>
#include <vector>

#include "integrals/core_potential_angular.hpp"
#include "runtime/fatal.hpp"
#include "runtime/node.hpp"

namespace ostrel {
namespace {

constexpr double kFourPi = 12.566370614359172;

double binomial(int n, int k) {
  double r = 1.0;
  for (int i = 1; i <= k; ++i) r = r * (n - k + i) / i;
  return r;
}

// A shell with arbitrary polynomial components of one degree about its centre: the
// spherical shell itself, or the pieces of its derivative with respect to the centre.
struct PolyShell {
  const double* centre;
  int l;  // polynomial degree
  int ncomp;
  std::vector<double> comp;  // ncomp x cartesian_count(l)
  int nprim;
  const double* exponents;
  std::vector<double> coefficients;
};

PolyShell spherical_poly(const Shell& s) {
  PolyShell p{s.centre, s.l, shell_size(s.l), {}, s.nprim, s.exponents,
              std::vector<double>(s.coefficients, s.coefficients + s.nprim)};
  p.comp.assign(static_cast<size_t>(p.ncomp) * cartesian_count(s.l), 0.0);
  for (int c = 0; c < p.ncomp; ++c)
    for (const auto& t : solid_harmonic_terms(s.l, c)) p.comp[c * cartesian_count(s.l) + t.cartesian] = t.coefficient;
  return p;
}

// d/dA_k [P(r - A) exp(-a |r - A|^2)] = 2a (x_k - A_k) P exp(..) - (dP/dx_k) exp(..):
// the raised piece (degree l + 1, coefficients times 2a) and the lowered one (degree l - 1).
PolyShell derivative_piece(const PolyShell& s, int k, bool raise) {
  const int l = raise ? s.l + 1 : s.l - 1;
  PolyShell p{s.centre, l, s.ncomp, {}, s.nprim, s.exponents, s.coefficients};
  if (raise)
    for (int i = 0; i < s.nprim; ++i) p.coefficients[i] *= 2.0 * s.exponents[i];
  const int nin = cartesian_count(s.l), nout = cartesian_count(l);
  p.comp.assign(static_cast<size_t>(p.ncomp) * nout, 0.0);
  for (int c = 0; c < s.ncomp; ++c)
    for (int m = 0; m < nin; ++m) {
      const double v = s.comp[c * nin + m];
      if (v == 0.0) continue;
      const CartesianPowers q = cartesian_powers(s.l, m);
      int e[3] = {q.a, q.b, q.c};
      if (raise) {
        ++e[k];
        p.comp[c * nout + cartesian_index(l, e[0], e[1], e[2])] += v;
      } else if (e[k] > 0) {
        const double f = e[k]--;
        p.comp[c * nout + cartesian_index(l, e[0], e[1], e[2])] += f * v;
      }
    }
  return p;
}

// A shell seen from the potential's centre: its functions are
// sum_g r^g sum_{Q of degree g} f[s][g][Q] u^Q times the Gaussian, u the unit direction.
struct ShellAboutCentre {
  int l;
  int ncomp;
  double dist;     // |A - C|
  double dir[3];   // (A - C) / |A - C|, z when A = C
  // f[s][g] over the monomials Q of degree g (cartesian_index order)
  std::vector<std::vector<std::vector<double>>> f;
};

ShellAboutCentre shell_about(const PolyShell& s, const double* c) {
  ShellAboutCentre out;
  out.l = s.l;
  out.ncomp = s.ncomp;
  double ac[3];
  for (int k = 0; k < 3; ++k) ac[k] = s.centre[k] - c[k];
  out.dist = std::sqrt(ac[0] * ac[0] + ac[1] * ac[1] + ac[2] * ac[2]);
  for (int k = 0; k < 3; ++k) out.dir[k] = out.dist > 0.0 ? ac[k] / out.dist : (k == 2 ? 1.0 : 0.0);
  out.f.assign(s.ncomp, std::vector<std::vector<double>>(s.l + 1));
  const int nc = cartesian_count(s.l);
  for (int sc = 0; sc < s.ncomp; ++sc) {
    for (int g = 0; g <= s.l; ++g) out.f[sc][g].assign(cartesian_count(g), 0.0);
    // (r u - AC)^p = prod_d sum_q binom(p_d, q_d) r^q_d u_d^q_d (-AC_d)^(p_d - q_d)
    for (int m = 0; m < nc; ++m) {
      const double coefficient = s.comp[sc * nc + m];
      if (coefficient == 0.0) continue;
      const CartesianPowers p = cartesian_powers(s.l, m);
      for (int qx = 0; qx <= p.a; ++qx)
        for (int qy = 0; qy <= p.b; ++qy)
          for (int qz = 0; qz <= p.c; ++qz) {
            const double v = coefficient * binomial(p.a, qx) * binomial(p.b, qy) * binomial(p.c, qz) *
                             std::pow(-ac[0], p.a - qx) * std::pow(-ac[1], p.b - qy) *
                             std::pow(-ac[2], p.c - qz);
            const int g = qx + qy + qz;
            out.f[sc][g][cartesian_index(g, qx, qy, qz)] += v;
          }
    }
  }
  return out;
}

// sum_mu Y'_{lambda mu}(dir) mean(Y'_{l m} Y'_{lambda mu} u^Q), for every lambda <= l + deg Q.
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

// Projections onto the channel harmonics (l, m), l < lmax, folded to
// w[lm][s][g][lambda] so that a radial point needs only Bessel values and powers of r.
struct Projector {
  int nlm;
  int ls;  // shell degree
  int ns;  // components
  std::vector<double> w;  // [lm][s][g][lambda], lambda < lam_dim
  int lam_dim;
  double at(int lm, int s, int g, int lam) const {
    return w[((lm * ns + s) * (ls + 1) + g) * lam_dim + lam];
  }
};

Projector make_projector(const ShellAboutCentre& sc, int lmax) {
  Projector p;
  p.nlm = lmax * lmax;
  p.ls = sc.l;
  p.ns = sc.ncomp;
  p.lam_dim = lmax + sc.l + 1;
  p.w.assign(static_cast<size_t>(p.nlm) * p.ns * (sc.l + 1) * p.lam_dim, 0.0);
  double h[kCoreAngularMaxOrder + 1];
  for (int l = 0; l < lmax; ++l)
    for (int m = 0; m <= 2 * l; ++m) {
      const int lm = l * l + m;
      for (int g = 0; g <= sc.l; ++g)
        for (int q = 0; q < cartesian_count(g); ++q) {
          const CartesianPowers qp = cartesian_powers(g, q);
          plane_wave_factors(l, m, qp.a, qp.b, qp.c, sc.dir, h);
          for (int s = 0; s < p.ns; ++s) {
            const double f = sc.f[s][g][q];
            if (f == 0.0) continue;
            for (int lam = 0; lam <= l + g; ++lam)
              p.w[((lm * p.ns + s) * (sc.l + 1) + g) * p.lam_dim + lam] += f * h[lam];
          }
        }
    }
  return p;
}

// Channel projections of a contracted shell at radius r: out[lm * (2l+1) + s].
void project_at(const PolyShell& sh, const ShellAboutCentre& sc, const Projector& p, double r, double* out) {
  const int ns = sh.ncomp;
  for (int i = 0; i < p.nlm * ns; ++i) out[i] = 0.0;
  double bes[kCoreAngularMaxOrder + 1], rg[kCoreAngularMaxOrder + 1];
  rg[0] = 1.0;
  for (int g = 1; g <= sh.l; ++g) rg[g] = rg[g - 1] * r;
  for (int k = 0; k < sh.nprim; ++k) {
    const double a = sh.exponents[k];
    const double e = a * (r - sc.dist) * (r - sc.dist);
    if (e > 40.0) continue;
    const double scale = sh.coefficients[k] * std::exp(-e);
    scaled_bessel_i(p.lam_dim - 1, 2.0 * a * r * sc.dist, bes);
    for (int lm = 0; lm < p.nlm; ++lm)
      for (int s = 0; s < ns; ++s) {
        double v = 0.0;
        for (int g = 0; g <= sh.l; ++g) {
          double vg = 0.0;
          for (int lam = 0; lam < p.lam_dim; ++lam) vg += bes[lam] * p.at(lm, s, g, lam);
          v += rg[g] * vg;
        }
        out[lm * ns + s] += scale * v;
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

// Local channel: the product of both shells projected on l = 0 about the centre, per
// primitive pair, since the plane-wave direction depends on both exponents.
void add_local_part(const PolyShell& b, const PolyShell& a, const CorePotential& u, const ShellAboutCentre& sb,
                    const ShellAboutCentre& sa, int first, int stride, double* out) {
  const int na = a.ncomp, nb = b.ncomp;
  const int top = a.l + b.l;
  std::vector<double> w(static_cast<size_t>(nb) * na * (top + 1) * (top + 1));  // [sb][sa][g][lambda]
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
      std::fill(w.begin(), w.end(), 0.0);
      for (int ga = 0; ga <= a.l; ++ga)
        for (int qa = 0; qa < cartesian_count(ga); ++qa) {
          const CartesianPowers pa = cartesian_powers(ga, qa);
          for (int gb = 0; gb <= b.l; ++gb)
            for (int qb = 0; qb < cartesian_count(gb); ++qb) {
              const CartesianPowers pb = cartesian_powers(gb, qb);
              plane_wave_factors(0, 0, pa.a + pb.a, pa.b + pb.b, pa.c + pb.c, dir, h);
              const int g = ga + gb;
              for (int ib = 0; ib < nb; ++ib) {
                const double fb = sb.f[ib][gb][qb];
                if (fb == 0.0) continue;
                for (int ia = 0; ia < na; ++ia) {
                  const double f = fb * sa.f[ia][ga][qa];
                  if (f == 0.0) continue;
                  double* dst = &w[((ib * na + ia) * (top + 1) + g) * (top + 1)];
                  for (int lam = 0; lam <= g; ++lam) dst[lam] += f * h[lam];
                }
              }
            }
        }
      const double c = a.coefficients[ka] * b.coefficients[kb];
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
              const double* src = &w[((ib * na + ia) * (top + 1) + g) * (top + 1)];
              double vg = 0.0;
              for (int lam = 0; lam <= g; ++lam) vg += bes[lam] * src[lam];
              v += rg * vg;
            }
            out[ib * na + ia] += factor * v;
          }
      }
    }
}

void core_potential_block(const PolyShell& b, const PolyShell& a, const CorePotential& u, int first, int stride,
                          double* out) {
  const ShellAboutCentre sa = shell_about(a, u.centre), sb = shell_about(b, u.centre);
  if (u.nlocal > 0) add_local_part(b, a, u, sb, sa, first, stride, out);
  if (u.lmax == 0) return;
  const Projector pa = make_projector(sa, u.lmax), pb = make_projector(sb, u.lmax);
  const int na = a.ncomp, nb = b.ncomp;
  std::vector<double> proj_a(pa.nlm * na), proj_b(pb.nlm * nb);
  for (int k = first; k < kCoreRadialPoints; k += stride) {
    double r, wr;
    core_radial_point(k, r, wr);
    double ul[4];
    bool any = false;
    for (int l = 0; l < u.lmax; ++l) {
      ul[l] = channel_value(u.nsemi[l], u.semi[l], r);
      any = any || ul[l] != 0.0;
    }
    if (!any) continue;
    project_at(a, sa, pa, r, proj_a.data());
    project_at(b, sb, pb, r, proj_b.data());
    const double factor = kFourPi * wr * r * r;
    for (int l = 0; l < u.lmax; ++l) {
      if (ul[l] == 0.0) continue;
      for (int lm = l * l; lm < (l + 1) * (l + 1); ++lm)
        for (int ib = 0; ib < nb; ++ib) {
          const double vb = factor * ul[l] * proj_b[lm * nb + ib];
          if (vb == 0.0) continue;
          for (int ia = 0; ia < na; ++ia) out[ib * na + ia] += vb * proj_a[lm * na + ia];
        }
    }
  }
}

}  // namespace

void core_radial_point(int k, double& r, double& w) {
  const double x = (k + 1) / 65.0;
  const double x3 = x * x * x;
  r = -std::log(1.0 - x3);
  w = 3.0 * x * x / ((1.0 - x3) * 65.0);
}

namespace {

void check_limits(const Shell& b, const Shell& a, const CorePotential& u, int extra) {
  if (u.lmax < 0 || u.lmax > 4) fatal_error("\n %d: core potential with Lmax %d\n", node_id, u.lmax);
  if (a.l + b.l + extra + 3 > kCoreAngularMaxOrder)
    fatal_error("\n %d: core-potential integrals for l = %d, %d\n", node_id, b.l, a.l);
}

}  // namespace

void core_potential_shell_pair(const Shell& b, const Shell& a, const CorePotential& u, int first, int stride,
                               double* out) {
  check_limits(b, a, u, 0);
  core_potential_block(spherical_poly(b), spherical_poly(a), u, first, stride, out);
}

void core_potential_derivative_shell_pair(const Shell& b, const Shell& a, const CorePotential& u, int first,
                                          int stride, double* out_b, double* out_a) {
  check_limits(b, a, u, 1);
  const PolyShell pb = spherical_poly(b), pa = spherical_poly(a);
  const int n = pa.ncomp * pb.ncomp;
  std::vector<double> low(n);
  for (int k = 0; k < 3; ++k) {
    core_potential_block(pb, derivative_piece(pa, k, true), u, first, stride, out_a + k * n);
    core_potential_block(derivative_piece(pb, k, true), pa, u, first, stride, out_b + k * n);
    if (a.l > 0) {
      std::fill(low.begin(), low.end(), 0.0);
      core_potential_block(pb, derivative_piece(pa, k, false), u, first, stride, low.data());
      for (int i = 0; i < n; ++i) out_a[k * n + i] -= low[i];
    }
    if (b.l > 0) {
      std::fill(low.begin(), low.end(), 0.0);
      core_potential_block(derivative_piece(pb, k, false), pa, u, first, stride, low.data());
      for (int i = 0; i < n; ++i) out_b[k * n + i] -= low[i];
    }
  }
}

}  // namespace ostrel
