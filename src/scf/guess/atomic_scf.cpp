#include "scf/guess/atomic_scf.hpp"

#include <algorithm>
#include <cmath>

#include "integrals/one_electron_matrices.hpp"
#include "linalg/small_solvers.hpp"
#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"
#include "scf/guess/atomic_coulomb.hpp"
#include "scf/guess/atomic_radial.hpp"

namespace ostrel {
namespace {

constexpr int kRadialPoints = 400;
constexpr int kMaxIterations = 200;
constexpr int kDiisVectors = 8;
constexpr double kEnergyTolerance = 1e-11;
constexpr double kErrorTolerance = 1e-8;
constexpr double kLinearDependence = 1e-9;
// Plain Roothaan steps of atoms such as neon swing between a tight and a diffuse valence
// shell; keeping part of the previous density damps the swing and lets DIIS converge.
constexpr double kDamping = 0.3;

long tri(long n) { return n * (n + 1) / 2; }

void pack(int n, const double* full, double* packed) {
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) packed[tri(i) + j] = 0.5 * (full[i * n + j] + full[j * n + i]);
}
void unpack(int n, const double* packed, double* full) {
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) full[i * n + j] = full[j * n + i] = packed[tri(i) + j];
}

// Channel block of a full matrix: the average over the 2l+1 components.
void channel_block(const AtomFunctions& f, const AtomChannel& c, int l, int n, const double* full,
                   double* block) {
  for (int a = 0; a < c.n_shells; ++a)
    for (int b = 0; b < c.n_shells; ++b) {
      const int fa = f.shell_first[c.shell[a]], fb = f.shell_first[c.shell[b]];
      double sum = 0.0;
      for (int m = 0; m <= 2 * l; ++m) sum += full[(fa + m) * n + fb + m];
      block[a * c.n_shells + b] = sum / (2 * l + 1);
    }
}

// Generalised eigenproblem F c = e S c of one channel by canonical orthogonalisation;
// returns the number of independent solutions (ascending energies).
int channel_solve(int m, const double* fb, const double* sb, double* coef, double* energy) {
  if (m == 0) return 0;
  PoolArray<double> packed(tri(m)), u(m * m), lambda(m), x(m * m), g(m * m), v(m * m), e(m);
  for (int i = 0; i < m; ++i)
    for (int j = 0; j <= i; ++j) packed[tri(i) + j] = sb[i * m + j];
  eigen_jacobi(packed.data(), u.data(), lambda.data(), m, 0);
  const double top = lambda[m - 1];
  int k = 0;
  for (int j = 0; j < m; ++j) {
    if (lambda[j] <= kLinearDependence * top) continue;
    const double scale = 1.0 / std::sqrt(lambda[j]);
    for (int i = 0; i < m; ++i) x[i + m * k] = u[j * m + i] * scale;
    ++k;
  }
  for (int a = 0; a < k; ++a)
    for (int b = 0; b <= a; ++b) {
      double sum = 0.0;
      for (int i = 0; i < m; ++i)
        for (int j = 0; j < m; ++j) sum += x[i + m * a] * fb[i * m + j] * x[j + m * b];
      packed[tri(a) + b] = sum;
    }
  eigen_jacobi(packed.data(), v.data(), e.data(), k, 0);
  for (int b = 0; b < k; ++b) {
    energy[b] = e[b];
    for (int i = 0; i < m; ++i) {
      double sum = 0.0;
      for (int a = 0; a < k; ++a) sum += x[i + m * a] * v[b * k + a];
      coef[i + m * b] = sum;
    }
  }
  return k;
}

// Solves c_1 .. c_k of the DIIS equations (sum c = 1); false when the system is singular.
bool diis_weights(int k, const double* b, double* c) {
  const int n = k + 1;
  double a[(kDiisVectors + 1) * (kDiisVectors + 2)];
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) a[i * (n + 1) + j] = (i < k && j < k) ? b[i * k + j] : (i == j ? 0.0 : -1.0);
    a[i * (n + 1) + n] = i < k ? 0.0 : -1.0;
  }
  // Scale the error block so that pivots are comparable with the constraint row.
  double scale = 0.0;
  for (int i = 0; i < k; ++i) scale = std::max(scale, b[i * k + i]);
  if (scale <= 0.0) return false;
  for (int i = 0; i < k; ++i)
    for (int j = 0; j < k; ++j) a[i * (n + 1) + j] /= scale;
  for (int col = 0; col < n; ++col) {
    int piv = col;
    for (int r = col + 1; r < n; ++r)
      if (std::fabs(a[r * (n + 1) + col]) > std::fabs(a[piv * (n + 1) + col])) piv = r;
    if (std::fabs(a[piv * (n + 1) + col]) < 1e-14) return false;
    if (piv != col)
      for (int j = 0; j <= n; ++j) std::swap(a[piv * (n + 1) + j], a[col * (n + 1) + j]);
    for (int r = 0; r < n; ++r) {
      if (r == col) continue;
      const double t = a[r * (n + 1) + col] / a[col * (n + 1) + col];
      for (int j = col; j <= n; ++j) a[r * (n + 1) + j] -= t * a[col * (n + 1) + j];
    }
  }
  for (int i = 0; i < k; ++i) c[i] = a[i * (n + 1) + n] / a[i * (n + 1) + i];
  return true;
}

// Visits every component pair (q, q) of shells a, b of each channel: visit(l, a, b, k) with
// k the element of the full n x n matrix.
template <class Visit>
void for_each_channel_element(const AtomFunctions& f, const AtomChannel* channels, int lmax, int n, Visit visit) {
  for (int l = 0; l <= lmax; ++l) {
    const AtomChannel& c = channels[l];
    const int m = c.n_shells;
    for (int a = 0; a < m; ++a)
      for (int b = 0; b < m; ++b) {
        const int fa = f.shell_first[c.shell[a]], fb = f.shell_first[c.shell[b]];
        for (int q = 0; q <= 2 * l; ++q) visit(l, a, b, static_cast<long>(fa + q) * n + fb + q);
      }
  }
}

}  // namespace

AtomSolution solve_atom(const AtomProblem& p) {
  const AtomFunctions& f = p.functions;
  const int n = f.nfunc;
  AtomSolution sol{};
  sol.n_functions = n;
  sol.lmax = -1;
  for (int s = 0; s < f.nshell; ++s) {
    const int l = f.shell_l[s];
    if (l < 0 || l > kAtomMaxL) fatal_error("\n atomic calculation: shell of l=%d\n", l);
    AtomChannel& c = sol.channel[l];
    c.shell[c.n_shells++] = s;
    sol.lmax = std::max(sol.lmax, l);
  }
  long size = tri(n);
  for (int l = 0; l <= sol.lmax; ++l)
    size += static_cast<long>(sol.channel[l].n_shells) * (sol.channel[l].n_shells + 2);
  sol.block = pool_alloc(8 * std::max(1L, size));
  double* cursor = static_cast<double*>(sol.block);
  sol.density = cursor;
  cursor += tri(n);
  for (int l = 0; l <= sol.lmax; ++l) {
    AtomChannel& c = sol.channel[l];
    c.coef = cursor;
    cursor += c.n_shells * c.n_shells;
    c.energy = cursor;
    cursor += c.n_shells;
    c.occupation = cursor;
    cursor += c.n_shells;
  }
  for (long i = 0; i < tri(n); ++i) sol.density[i] = 0.0;
  if (n == 0) {
    sol.converged = true;
    return sol;
  }

  const long np = tri(n), nn = static_cast<long>(n) * n;
  PoolArray<double> sp(np), hp(np), work(np), dp(np);
  PoolArray<double> sfull(nn), hfull(nn), dfull(nn), ffull(nn), jfull(nn), t1(nn), t2(nn);
  PoolArray<double> fsave(kDiisVectors * nn), esave(kDiisVectors * nn);
  long block_total = 0;
  for (int l = 0; l <= sol.lmax; ++l) block_total += sol.channel[l].n_shells * sol.channel[l].n_shells;
  PoolArray<double> pblocks(std::max(1L, block_total)), vblocks(std::max(1L, block_total));
  PoolArray<double> fblock(std::max(1L, block_total)), sblock(std::max(1L, block_total));
  PoolArray<double> jblock(std::max(1L, block_total));
  for (long i = 0; i < pblocks.size(); ++i) pblocks[i] = 0.0;
  double* pl[kAtomMaxL + 1] = {};
  double* vl[kAtomMaxL + 1] = {};
  double* fl[kAtomMaxL + 1] = {};
  double* sl[kAtomMaxL + 1] = {};
  double* jl[kAtomMaxL + 1] = {};
  {
    long at = 0;
    for (int l = 0; l <= sol.lmax; ++l) {
      pl[l] = pblocks.data() + at;
      vl[l] = vblocks.data() + at;
      fl[l] = fblock.data() + at;
      sl[l] = sblock.data() + at;
      jl[l] = jblock.data() + at;
      at += sol.channel[l].n_shells * sol.channel[l].n_shells;
    }
  }
  PoolArray<double> rr(kRadialPoints), rw(kRadialPoints);
  PoolArray<double> values(static_cast<long>(f.nshell) * kRadialPoints),
      slopes(static_cast<long>(f.nshell) * kRadialPoints);

  // One-centre integrals.
  const int first[2] = {0, n};
  const AtomSet one{1, &f, first};
  for (long i = 0; i < np; ++i) sp[i] = hp[i] = work[i] = 0.0;
  add_packed_matrices(PairOperator::overlap, one, 0.0, {}, 0, 1, sp.data());
  add_packed_matrices(PairOperator::kinetic, one, 0.0, {}, 0, 1, hp.data());
  const PointCharge nucleus{{f.centre[0], f.centre[1], f.centre[2]}, p.charge, p.nucleus_exponent};
  add_packed_matrices(PairOperator::attraction, one, 0.0, {{&nucleus, 1}, nullptr}, 0, 1, hp.data());
  if (p.potential) {
    PoolArray<Shell> shells(std::max(1, p.n_shells));
    PoolArray<int> firsts(std::max(1, p.n_shells)), atoms(std::max(1, p.n_shells));
    for (int s = 0; s < p.n_shells; ++s) {
      const ShellSlot& slot = p.shells[s];
      shells[s] = {f.centre, slot.l, slot.n_primitives, slot.exponent, slot.coef[0]};
      firsts[s] = slot.first_function - p.function_base;
      atoms[s] = 0;
    }
    const ShellList list{p.n_shells, shells.data(), firsts.data(), atoms.data(), n};
    const int zero = 0;
    const PotentialList ecp{1, p.potential, &zero};
    add_core_potential_matrix(list, ecp, 0, 1, work.data());
    for (long i = 0; i < np; ++i) hp[i] += work[i];
  }
  unpack(n, sp.data(), sfull.data());
  unpack(n, hp.data(), hfull.data());

  const AtomRadialGrid grid =
      atom_radial_grid(static_cast<int>(std::lround(p.charge)), kRadialPoints, rr.data(), rw.data());
  atom_radial_functions(f, grid, values.data(), slopes.data());
  const bool has_xc = p.functional.x_code != 0 || p.functional.c_code != 0;

  double total = 0.0;
  for (int l = 0; l <= sol.lmax; ++l) total += p.electrons[l];

  // Orbitals from F (full), occupations by channel, and the density they give.
  auto diagonalise = [&](const double* fock) {
    for (int l = 0; l <= sol.lmax; ++l) {
      AtomChannel& c = sol.channel[l];
      const int m = c.n_shells;
      channel_block(f, c, l, n, fock, fl[l]);
      channel_block(f, c, l, n, sfull.data(), sl[l]);
      c.count = channel_solve(m, fl[l], sl[l], c.coef, c.energy);
      double left = l <= kAtomMaxL ? p.electrons[l] : 0.0;
      for (int k = 0; k < c.count; ++k) {
        c.occupation[k] = std::min(left, 2.0 * (2 * l + 1));
        left -= c.occupation[k];
      }
    }
  };
  auto build_density = [&](double keep) {
    for (long i = 0; i < nn; ++i) dfull[i] = 0.0;
    for (int l = 0; l <= sol.lmax; ++l) {
      const AtomChannel& c = sol.channel[l];
      const int m = c.n_shells;
      for (int a = 0; a < m; ++a)
        for (int b = 0; b < m; ++b) {
          double sum = 0.0;
          for (int k = 0; k < c.count; ++k) sum += c.occupation[k] * c.coef[a + m * k] * c.coef[b + m * k];
          pl[l][a * m + b] = keep * pl[l][a * m + b] + (1.0 - keep) * sum;
        }
    }
    for_each_channel_element(f, sol.channel, sol.lmax, n, [&](int l, int a, int b, long k) {
      dfull[k] = pl[l][a * sol.channel[l].n_shells + b] / (2 * l + 1);
    });
    pack(n, dfull.data(), dp.data());
  };

  AtomCoulomb coulomb = atom_coulomb(f, sol.channel, sol.lmax);
  diagonalise(hfull.data());
  build_density(0.0);
  int stored = 0, oldest = 0;
  double previous = 0.0;
  for (int it = 0; it < kMaxIterations && total > 0.0; ++it) {
    atom_coulomb_blocks(coulomb, f, sol.channel, sol.lmax, pl, jl);
    for (long i = 0; i < nn; ++i) jfull[i] = 0.0;
    for_each_channel_element(f, sol.channel, sol.lmax, n, [&](int l, int a, int b, long k) {
      jfull[k] = jl[l][a * sol.channel[l].n_shells + b];
    });
    double exc = 0.0;
    if (has_xc)
      exc = atom_xc(p.functional, grid, values.data(), slopes.data(), sol.channel, sol.lmax, pl, vl);
    double e1 = 0.0, ej = 0.0;
    for (long i = 0; i < nn; ++i) {
      e1 += dfull[i] * hfull[i];
      ej += 0.5 * dfull[i] * jfull[i];
      ffull[i] = hfull[i] + jfull[i];
    }
    if (has_xc)
      for_each_channel_element(f, sol.channel, sol.lmax, n, [&](int l, int a, int b, long k) {
        ffull[k] += vl[l][a * sol.channel[l].n_shells + b];
      });
    const double energy = e1 + ej + exc;
    sol.energy = energy;
    sol.one_electron = e1;
    sol.coulomb = ej;
    sol.exchange_correlation = exc;
    sol.iterations = it + 1;

    // Error F D S - S D F.
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        double sum = 0.0;
        for (int k = 0; k < n; ++k) sum += ffull[i * n + k] * dfull[k * n + j];
        t1[i * n + j] = sum;
      }
    double emax = 0.0;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        double sum = 0.0;
        for (int k = 0; k < n; ++k) sum += t1[i * n + k] * sfull[k * n + j];
        t2[i * n + j] = sum;
      }
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        const double e = t2[i * n + j] - t2[j * n + i];
        t1[i * n + j] = e;
        emax = std::max(emax, std::fabs(e));
      }
    if (it > 0 && std::fabs(energy - previous) < kEnergyTolerance && emax < kErrorTolerance) {
      sol.converged = true;
      break;
    }
    previous = energy;

    // DIIS over the last Fock matrices.
    const int slot = stored < kDiisVectors ? stored++ : (oldest++ % kDiisVectors);
    for (long i = 0; i < nn; ++i) {
      fsave[slot * nn + i] = ffull[i];
      esave[slot * nn + i] = t1[i];
    }
    double bm[kDiisVectors * kDiisVectors], w[kDiisVectors];
    for (int a = 0; a < stored; ++a)
      for (int b = 0; b < stored; ++b) {
        double sum = 0.0;
        for (long i = 0; i < nn; ++i) sum += esave[a * nn + i] * esave[b * nn + i];
        bm[a * stored + b] = sum;
      }
    if (stored > 1 && diis_weights(stored, bm, w)) {
      for (long i = 0; i < nn; ++i) {
        double sum = 0.0;
        for (int a = 0; a < stored; ++a) sum += w[a] * fsave[a * nn + i];
        t2[i] = sum;
      }
      diagonalise(t2.data());
    } else {
      diagonalise(ffull.data());
    }
    build_density(kDamping);
  }
  // Orbitals and energies of the last (not extrapolated) Fock matrix; the density stays the
  // one the energy belongs to.
  if (total > 0.0) diagonalise(ffull.data());
  for (long i = 0; i < np; ++i) sol.density[i] = dp[i];
  if (total <= 0.0) sol.converged = true;
  release_atom_coulomb(coulomb);
  return sol;
}

void release_atom_solution(AtomSolution& solution) {
  if (solution.block) pool_release(solution.block);
  solution.block = nullptr;
}

}  // namespace ostrel
