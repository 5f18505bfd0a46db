#include "scf/grid/grid_walk.hpp"

#include <cmath>
#include <cstdint>
#include <limits>

#include "runtime/pool.hpp"
#include "scf/numint/basis_eval.hpp"

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

GridShellBuffers grid_shell_buffers(int n_atoms, int n_shells) {
  GridShellBuffers b{};
  const std::int64_t shells = n_shells > 0 ? n_shells : 1;
  const std::int64_t doubles = 4 * std::int64_t{kGridMaxShellPoints} + 2 * shells;
  const std::int64_t ints = std::int64_t{n_atoms} + shells;
  char* block = static_cast<char*>(pool_alloc(8 * doubles + 4 * ints + 8));
  b.points = reinterpret_cast<double*>(block);
  b.weights = b.points + 3 * kGridMaxShellPoints;
  b.radial = b.weights + kGridMaxShellPoints;
  b.list = reinterpret_cast<int*>(b.radial + 2 * shells);
  b.candidate = b.list + n_atoms;
  return b;
}

void grid_shell_buffers_release(GridShellBuffers& b) {
  if (b.points) pool_release(b.points);
  b = GridShellBuffers{};
}

int grid_sphere_shells(const ShellSet& set, const double* extent2, const double centre[3],
                       double r, const int* atoms, int n_list, int* shell) {
  int n = 0;
  for (int j = 0; j < n_list; ++j) {
    const int atom = atoms[j];
    for (int i = set.atom_first_shell[atom]; i < set.atom_first_shell[atom + 1]; ++i) {
      const double* c = set.shells[i].centre;
      const double d[3] = {centre[0] - c[0], centre[1] - c[1], centre[2] - c[2]};
      const double gap = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) - r;
      if (gap > 0.0 && gap * gap > extent2[i]) continue;
      shell[n++] = i;
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

}  // namespace ostrel
