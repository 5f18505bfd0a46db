#include "geometry/paths/projected_hessian.hpp"

#include <algorithm>
#include <cmath>

#include "geometry/paths/hypersphere_step.hpp"
#include "geometry/step_tools.hpp"
#include "linalg/small_solvers.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

void projected_modes(int n_atoms, const double* root, const double* y, double* h, double* vectors, double* values) {
  const int m = 3 * n_atoms;
  PoolArray<double> t(6 * std::int64_t{m}), full(std::int64_t{m} * m), ht(std::int64_t{m} * m);
  const int nt = mass_weighted_external_motions(n_atoms, root, y, t.data());
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < m; ++j) full[std::int64_t{i} * m + j] = h[packed_index(std::max(i, j), std::min(i, j))];
  // P H P with P = 1 - T T^T, one side per pass (the second pass works on the transpose).
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < m; ++i)
      for (int j = 0; j < m; ++j) {
        double v = full[std::int64_t{i} * m + j];
        for (int a = 0; a < nt; ++a) {
          const double* ta = t.data() + std::int64_t{a} * m;
          double tf = 0.0;
          for (int q = 0; q < m; ++q) tf += ta[q] * full[std::int64_t{q} * m + j];
          v -= ta[i] * tf;
        }
        ht[std::int64_t{j} * m + i] = v;
      }
    vec_copy(std::int64_t{m} * m, ht.data(), full.data());
  }
  for (int i = 0; i < m; ++i)
    for (int j = 0; j <= i; ++j) h[packed_index(i, j)] = 0.5 * (full[std::int64_t{i} * m + j] + full[std::int64_t{j} * m + i]);
  eigen_local(h, vectors, values, m);
  for (int i = 0; i < m; ++i)
    if (std::fabs(values[i]) < 1e-10) values[i] = 1000.0;
  order_eigenpairs(vectors, values, m, m, 1);
}

}  // namespace ostrel
