#include "scf/grid/grid_walk.hpp"

#include <cmath>
#include <limits>

#include "runtime/pool.hpp"
#include "scf/numint/generated/basis_eval_kernels.hpp"

namespace ostrel {

namespace {

// The contracted radial factor g(r^2) and its slope dg/d(r^2); primitives whose exponential
// is below 1e-43 are left out.
inline void contracted_radial(const GaussianShell& sh, double t, double* g0, double* g1) {
  double v = 0.0, slope = 0.0;  // locals: the outputs may alias the shell's arrays
  for (int k = 0; k < sh.n_primitives; ++k) {
    const double x = sh.exponent[k] * t;
    if (x >= 100.0) continue;
    const double e = sh.coef[k] * std::exp(-x);
    v += e;
    slope -= 2.0 * sh.exponent[k] * e;
  }
  *g0 += v;
  *g1 += slope;
}

}  // namespace

GridScreen grid_screen(const ShellSet& basis, double threshold) {
  GridScreen s{};
  s.extent2 = static_cast<double*>(pool_alloc(8 * std::int64_t{basis.n_shells + basis.n_atoms + 1}));
  s.atom_extent2 = s.extent2 + basis.n_shells;
  shell_set_extents(basis, threshold, s.extent2, s.atom_extent2);
  return s;
}

void grid_screen_release(GridScreen& s) {
  if (s.extent2) pool_release(s.extent2);
  s.extent2 = s.atom_extent2 = nullptr;
}

GridShellBuffers grid_shell_buffers(int n_atoms, int n_functions) {
  GridShellBuffers b{};
  const std::int64_t nf = n_functions > 0 ? n_functions : 1;
  const std::int64_t doubles = 4 * std::int64_t{kGridMaxShellPoints} + n_atoms + 4 * nf;
  const std::int64_t ints = 2 * std::int64_t{n_atoms} + nf;
  char* block = static_cast<char*>(pool_alloc(8 * doubles + 4 * ints + 8));
  b.points = reinterpret_cast<double*>(block);
  b.weights = b.points + 3 * kGridMaxShellPoints;
  b.rho = b.weights + kGridMaxShellPoints;
  b.values = b.rho + n_atoms;
  b.list = reinterpret_cast<int*>(b.values + 4 * nf);
  b.atom_end = b.list + n_atoms;
  b.function = b.atom_end + n_atoms;
  b.stride = static_cast<int>(nf);
  return b;
}

void grid_shell_buffers_release(GridShellBuffers& b) {
  if (b.points) pool_release(b.points);
  b = GridShellBuffers{};
}

void grid_atom_densities(const GridShellBuffers& b, int n_list, const double* coef) {
  int m = 0;
  for (int j = 0; j < n_list; ++j) {
    double sum = 0.0;
    for (; m < b.atom_end[j]; ++m) sum += coef[b.function[m]] * b.values[m];
    b.rho[j] = sum;
  }
}

int grid_sphere_shells(const ShellSet& set, const double* extent2, const double centre[3],
                       double r, const int* atoms, int n_list, const unsigned char* skip,
                       int* shell, int* slot) {
  int n = 0;
  for (int j = 0; j < n_list; ++j) {
    const int atom = atoms[j];
    for (int i = set.atom_first_shell[atom]; i < set.atom_first_shell[atom + 1]; ++i) {
      if (skip && skip[i] == 1) continue;
      const double* c = set.shells[i].centre;
      const double d[3] = {centre[0] - c[0], centre[1] - c[1], centre[2] - c[2]};
      const double gap = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) - r;
      if (gap > 0.0 && gap * gap > extent2[i]) continue;
      shell[n] = i;
      slot[n++] = j;
    }
  }
  return n;
}

void grid_sphere_radial(const ShellSet& set, const double* extent2, const int* shell, int n_candidates,
                        int atom, double r, double* radial) {
  const double t = r * r;
  for (int m = 0; m < n_candidates; ++m) {
    const GaussianShell& sh = set.shells[shell[m]];
    radial[2 * m] = radial[2 * m + 1] = std::numeric_limits<double>::quiet_NaN();
    if (sh.atom != atom) continue;
    double g0 = 0.0, g1 = 0.0;
    if (t > extent2[shell[m]]) {
      radial[2 * m] = radial[2 * m + 1] = 0.0;
      continue;
    }
    contracted_radial(sh, t, &g0, &g1);
    radial[2 * m] = g0;
    radial[2 * m + 1] = g1;
  }
}

namespace {

// The point relative to the current shell's centre; shells come grouped by centre, so the
// offset is recomputed only when the centre changes.
struct CentreOffset {
  const double* centre = nullptr;
  double d[3] = {0, 0, 0}, t = 0.0;
  void move_to(const double* c, const double point[3]) {
    if (c == centre) return;
    centre = c;
    d[0] = point[0] - c[0], d[1] = point[1] - c[1], d[2] = point[2] - c[2];
    t = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
  }
};

// Calls body(m, shell index, shell, offset to its centre, squared distance) for each candidate.
template <class Body>
void for_each_candidate(const ShellSet& set, const int* shell, int n, const double point[3], Body&& body) {
  CentreOffset at;
  for (int m = 0; m < n; ++m) {
    const GaussianShell& sh = set.shells[shell[m]];
    at.move_to(sh.centre, point);
    body(m, shell[m], sh, at.d, at.t);
  }
}

}  // namespace

void grid_point_sums(const ShellSet& set, const double* extent2, const double point[3],
                     const int* shell, const int* slot, int n_candidates, int n_list,
                     const double* atomic_d, const double* da, const double* db,
                     const unsigned char* skip, double* rho, double* sum_a, double* sum_b,
                     const double* radial) {
  double a = 0.0, b = 0.0;
  double p[2 * kAngularKernelMaxL + 1];
  for (int j = 0; j < n_list; ++j) rho[j] = 0.0;
  for_each_candidate(set, shell, n_candidates, point, [&](int m, int i, const GaussianShell& sh, const double* d,
                                                          double t) {
    double g = 0.0;
    if (radial && !std::isnan(radial[2 * m])) {
      g = radial[2 * m];
    } else {
      if (t > extent2[i]) return;
      for (int k = 0; k < sh.n_primitives; ++k) {
        // Far beyond a primitive's reach its exponential is below 1e-43: leave it out.
        const double x = sh.exponent[k] * t;
        if (x < 100.0) g += sh.coef[k] * std::exp(-x);
      }
    }
    if (g == 0.0) return;
    angular_kernel(sh.l, 0)(d[0], d[1], d[2], p);
    const int f = sh.first_function;
    const int nf = 2 * sh.l + 1;
    // Shell-local sums keep the dependency chains short.
    if (!skip || skip[i] != 2) {
      double r = 0.0;
      for (int s = 0; s < nf; ++s) r += atomic_d[f + s] * p[s];
      rho[slot[m]] += r * g;
    }
    if (da) {
      double q = 0.0;
      for (int s = 0; s < nf; ++s) q += da[f + s] * p[s];
      a += q * g;
    }
    if (db) {
      double q = 0.0;
      for (int s = 0; s < nf; ++s) q += db[f + s] * p[s];
      b += q * g;
    }
  });
  if (sum_a) *sum_a = a;
  if (sum_b) *sum_b = b;
}

}  // namespace ostrel
