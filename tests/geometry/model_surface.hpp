#pragma once
// A cheap analytic surface for driving the optimizer in tests: Morse terms that pull the
// listed atom pairs towards their distances in a reference structure, plus torsion terms
// k cos(p phi) that make rotamers and barriers. The optimizer runs its real loop with this surface in place of
// the energy driver.

#include "geometry/coordinate_kernel.hpp"
#include "geometry/optimize_cartesian.hpp"
#include "geometry/optimize_internal.hpp"
#include "geometry/optimize_options.hpp"
#include "geometry/optimize_records.hpp"
#include "linalg/vector_ops.hpp"
#include "support/model_input.hpp"

namespace ostrel::testing {

struct Surface {
  std::vector<double> reference;  // bohr
  std::vector<std::pair<int, int>> pairs;
  struct Torsion { InternalCoordinate c; double k; int period; };
  std::vector<Torsion> torsions;
  // k (1 + cos abc): harmonic in the bend away from a straight a-b-c, as a real linear
  // molecule is (pair terms alone make that bend quartic).
  struct Straight { int a, b, c; double k; };
  std::vector<Straight> straights;

  double energy(const double* x, double* g) const {
    const int m = static_cast<int>(reference.size());
    double e = 0.0;
    for (int k = 0; k < m; ++k) g[k] = 0.0;
    for (auto [a, b] : pairs) {
      double d[3], r0 = 0, r = 0;
      for (int c = 0; c < 3; ++c) {
        d[c] = x[3 * a + c] - x[3 * b + c];
        r += d[c] * d[c];
        const double d0 = reference[3 * a + c] - reference[3 * b + c];
        r0 += d0 * d0;
      }
      r = std::sqrt(r);
      r0 = std::sqrt(r0);
      const double ex = std::exp(-1.2 * (r - r0)), f = 0.1 * (1 - ex);
      e += f * (1 - ex);
      const double de = 2 * f * 1.2 * ex / r;
      for (int c = 0; c < 3; ++c) {
        g[3 * a + c] += de * d[c];
        g[3 * b + c] -= de * d[c];
      }
    }
    for (const Torsion& t : torsions) {
      double row[B_ROW];
      const double phi = coordinate_value(t.c, x, row, nullptr);
      e += t.k * std::cos(t.period * phi);
      const int at[4] = {t.c.i, t.c.j, t.c.k, t.c.l};
      for (int s = 0; s < 4; ++s)
        for (int c = 0; c < 3; ++c) g[3 * at[s] + c] += -t.period * t.k * std::sin(t.period * phi) * row[3 * s + c];
    }
    for (const Straight& t : straights) {
      double u[3], v[3], uu = 0, vv = 0, uv = 0;
      for (int c = 0; c < 3; ++c) {
        u[c] = x[3 * t.a + c] - x[3 * t.b + c];
        v[c] = x[3 * t.c + c] - x[3 * t.b + c];
        uu += u[c] * u[c];
        vv += v[c] * v[c];
        uv += u[c] * v[c];
      }
      const double ru = std::sqrt(uu), rv = std::sqrt(vv), cs = uv / (ru * rv);
      e += t.k * (1 + cs);
      for (int c = 0; c < 3; ++c) {
        const double da = t.k * (v[c] / rv - cs * u[c] / ru) / ru, dc = t.k * (u[c] / ru - cs * v[c] / rv) / rv;
        g[3 * t.a + c] += da;
        g[3 * t.c + c] += dc;
        g[3 * t.b + c] -= da + dc;
      }
    }
    return e;
  }

  // Packed Hessian by central differences of the gradient.
  void hessian(const double* x, double* h) const {
    const int m = static_cast<int>(reference.size());
    std::vector<double> xp(x, x + m), gp(m), gm(m), full(m * m);
    for (int p = 0; p < m; ++p) {
      xp[p] = x[p] + 1e-4;
      energy(xp.data(), gp.data());
      xp[p] = x[p] - 1e-4;
      energy(xp.data(), gm.data());
      xp[p] = x[p];
      for (int q = 0; q < m; ++q) full[p * m + q] = (gp[q] - gm[q]) / 2e-4;
    }
    for (int p = 0; p < m; ++p)
      for (int q = 0; q <= p; ++q) h[packed_index(p, q)] = 0.5 * (full[p * m + q] + full[q * m + p]);
  }
};

// Stores the molecule and the optimizer options as task control would.
inline void set_up_run(const char* atoms, const std::string& options, const char* task = "OPTIMIZE") {
  const std::string input = molecule_group(atoms) + options;
  with_stdin(input, [] { read_molecule("Molecule", "", "molecule", 1, 0); });
  record_put_text(rec::task, task, 64);
  record_put(rec::grid, 0);
  record_put(rec::haveE, ResultsGiven{0, 0, 0});
  with_stdin(input, [] { read_optimize_options(); });
}

// The task loop with the surface as the energy: returns the number of gradients. With
// `limit` the loop is cut off after that many gradients, as an interrupted run.
inline int optimize_on(const Surface& s, bool hessian = false, int limit = 1 << 30) {
  const int m = static_cast<int>(s.reference.size());
  std::vector<double> g(m), h(m * (m + 1) / 2);
  if (hessian) {
    s.hessian(current_geometry().data(), h.data());
    s.energy(current_geometry().data(), g.data());
    record_write(rec::Hessian, h.data(), std::ssize(h));
    record_write(rec::Gradient, g.data(), m);
    record_put(rec::haveE, ResultsGiven{1, 1, 1});
  }
  record_put(rec::Opt_step, -1);
  int evaluations = 0;
  const bool cartesian = record_get(rec::Opt_cartesian) != 0;
  for (;;) {
    cartesian ? optimize_step_cartesian() : optimize_step_internal();
    if (record_get(rec::Opt_exits) || evaluations == limit) return evaluations;
    const std::vector<double> x = current_geometry();
    record_put(rec::Energy, s.energy(x.data(), g.data()));
    record_write(rec::Gradient, g.data(), m);
    ++evaluations;
  }
}

}  // namespace ostrel::testing
