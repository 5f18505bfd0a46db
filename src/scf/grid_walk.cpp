#include "scf/grid_walk.hpp"

#include "runtime/pool.hpp"

namespace ostrel {

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

}  // namespace ostrel
