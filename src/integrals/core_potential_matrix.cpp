#include "integrals/core_potential_matrix.hpp"

#include <cmath>

#include "runtime/pool.hpp"

namespace ostrel {
namespace {

constexpr double kReachLog = 34.538776394910684;  // ln(1e15)

double potential_range(const CorePotential& u) {
  double r2 = 0.0;
  auto scan = [&](int n, const CoreTerm* t) {
    for (int i = 0; i < n; ++i) {
      const double c = std::fabs(t[i].c);
      if (c > 0.0) r2 = std::max(r2, (std::log(c) + kReachLog) / t[i].a);
    }
  };
  scan(u.nlocal, u.local);
  for (int l = 0; l < u.lmax; ++l) scan(u.nsemi[l], u.semi[l]);
  return std::sqrt(std::max(r2, 0.0));
}

double packed_at(const double* m, long i, long j) {
  return i >= j ? m[i * (i + 1) / 2 + j] : m[j * (j + 1) / 2 + i];
}

}  // namespace

bool core_potential_reaches(const Shell& s, const CorePotential& u) {
  double amin = s.exponents[0];
  for (int k = 1; k < s.nprim; ++k) amin = std::min(amin, s.exponents[k]);
  double d2 = 0.0;
  for (int k = 0; k < 3; ++k) d2 += (s.centre[k] - u.centre[k]) * (s.centre[k] - u.centre[k]);
  return std::sqrt(d2) <= potential_range(u) + std::sqrt(kReachLog / amin);
}

void add_core_potential_matrix(const ShellList& basis, const PotentialList& ecp, int first_point,
                               int point_stride, double* packed) {
  constexpr int kMax = shell_size(kPairMaxL) * shell_size(kPairMaxL);
  PoolArray<double> block(kMax);
  PoolArray<long> offset(basis.nshell);
  for (int p = 0; p < ecp.count; ++p) {
    const CorePotential& u = ecp.potentials[p];
    // Each reachable shell is projected on the channels once for all its pairs.
    long total = 0;
    for (int s = 0; s < basis.nshell; ++s)
      if (core_potential_reaches(basis.shells[s], u))
        total += core_projection_size(basis.shells[s].l, u, first_point, point_stride);
    PoolArray<double> proj(std::max(1L, total));
    long at = 0;
    for (int s = 0; s < basis.nshell; ++s) {
      if (!core_potential_reaches(basis.shells[s], u)) {
        offset[s] = -1;
        continue;
      }
      offset[s] = at;
      core_projection(basis.shells[s], u, first_point, point_stride, proj.data() + at);
      at += core_projection_size(basis.shells[s].l, u, first_point, point_stride);
    }
    for (int sa = 0; sa < basis.nshell; ++sa) {
      if (offset[sa] < 0) continue;
      const Shell& a = basis.shells[sa];
      for (int sb = 0; sb <= sa; ++sb) {
        if (offset[sb] < 0) continue;
        const Shell& b = basis.shells[sb];
        const int na = shell_size(a.l), nb = shell_size(b.l);
        for (int i = 0; i < na * nb; ++i) block[i] = 0.0;
        core_local_block(b, a, u, first_point, point_stride, block.data());
        if (u.lmax > 0)
          core_semilocal_block(proj.data() + offset[sb], b.l, proj.data() + offset[sa], a.l, u, first_point,
                               point_stride, block.data());
        const int fa = basis.first_function[sa], fb = basis.first_function[sb];
        for (int j = 0; j < na; ++j) {
          const long row = fa + j;
          const int top = sa == sb ? j + 1 : nb;
          for (int i = 0; i < top; ++i) packed[row * (row + 1) / 2 + fb + i] += block[i * na + j];
        }
      }
    }
  }
}

void core_potential_gradient(const ShellList& basis, const PotentialList& ecp, const double* d,
                             int first_point, int point_stride, double* grad) {
  constexpr int kMax = 3 * shell_size(kPairMaxL) * shell_size(kPairMaxL);
  PoolArray<double> db(kMax), da(kMax);
  PoolArray<unsigned char> reach(basis.nshell);
  for (int p = 0; p < ecp.count; ++p) {
    const CorePotential& u = ecp.potentials[p];
    for (int s = 0; s < basis.nshell; ++s) reach[s] = core_potential_reaches(basis.shells[s], u);
    for (int sa = 0; sa < basis.nshell; ++sa) {
      if (!reach[sa]) continue;
      const Shell& a = basis.shells[sa];
      for (int sb = 0; sb <= sa; ++sb) {
        if (!reach[sb]) continue;
        const Shell& b = basis.shells[sb];
        const int na = shell_size(a.l), nb = shell_size(b.l), n = na * nb;
        for (int i = 0; i < 3 * n; ++i) db[i] = da[i] = 0.0;
        core_potential_derivative_shell_pair(b, a, u, first_point, point_stride, db.data(), da.data());
        const int fa = basis.first_function[sa], fb = basis.first_function[sb];
        const double weight = sa == sb ? 1.0 : 2.0;
        for (int k = 0; k < 3; ++k) {
          double gb = 0.0, ga = 0.0;
          for (int i = 0; i < nb; ++i)
            for (int j = 0; j < na; ++j) {
              const double dij = weight * packed_at(d, fb + i, fa + j);
              gb += dij * db[k * n + i * na + j];
              ga += dij * da[k * n + i * na + j];
            }
          grad[3 * basis.atom[sb] + k] += gb;
          grad[3 * basis.atom[sa] + k] += ga;
          grad[3 * ecp.atom[p] + k] -= ga + gb;
        }
      }
    }
  }
}

}  // namespace ostrel
