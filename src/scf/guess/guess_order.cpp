#include <cmath>

#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"
#include "scf/guess/guess_steps.hpp"

namespace ostrel {

void reorder_orbitals(const int* order, int n, double* energies, double* c) {
  if (n <= 0) return;
  const long nn = static_cast<long>(n) * n;
  PoolArray<int> used(n);
  for (int i = 0; i < n; ++i) used[i] = 0;
  for (int i = 0; i < n; ++i) {
    const int k = order[i];
    if (k < 0 || k >= n)
      fatal_error("\n guess: orbital %d in position %d is not one of 1..%d\n", k + 1, i + 1, n);
    if (used[k]) fatal_error("\n guess: orbital %d is named twice (position %d)\n", k + 1, i + 1);
    used[k] = 1;
  }
  PoolArray<double> e(n), copy(nn);
  for (int i = 0; i < n; ++i) e[i] = energies[i];
  for (long i = 0; i < nn; ++i) copy[i] = c[i];
  for (int i = 0; i < n; ++i) {
    energies[i] = e[order[i]];
    const double* from = copy.data() + static_cast<long>(order[i]) * n;
    double* to = c + static_cast<long>(i) * n;
    for (int k = 0; k < n; ++k) to[k] = from[k];
  }
}

void rotate_columns(double* c, int n, int p, int q, double t) {
  const double cs = std::cos(t), sn = std::sin(t);
  double* x = c + static_cast<long>(p) * n;
  double* y = c + static_cast<long>(q) * n;
  for (int i = 0; i < n; ++i) {
    const double a = x[i], b = y[i];
    x[i] = cs * a - sn * b;
    y[i] = sn * a + cs * b;
  }
}

}  // namespace ostrel
