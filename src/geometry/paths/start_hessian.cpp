#include "geometry/paths/start_hessian.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/model_hessian.hpp"
#include "geometry/optimize_common.hpp"
#include "geometry/optimize_records.hpp"
#include "linalg/vector_ops.hpp"

#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

int provide_start_hessian(Evaluator evaluate) {
  int need = 0;
  if (is_master) {
    need = !record_exists(rec::haveE) || record_field(rec::haveE, &ResultsGiven::hessian) == 0;
    if (need) {
      std::printf("\n no Hessian at the start structure: computed now (level 2)\n");
      std::fflush(stdout);
      if (record_exists(rec::grid)) record_put(rec::grid_adapt, record_get(rec::grid));
    }
  }
  mp_bcast(&need, 1, MP_INT);
  if (!need) return 0;
  evaluate(2);
  if (is_master) record_put(rec::haveE, ResultsGiven{1, 1, 1});
  return 1;
}

void start_saddle_search_along(Molecule& mol, const double* x, const double* g, double e, double* direction,
                               double curvature) {
  const int m = 3 * mol.n_atoms;
  const std::int64_t pm = packed_size(m);
  PoolArray<double> h(pm), ph(m);
  cartesian_model_hessian(mol.n_atoms, mol.z, x, h.data());
  vec_scale(m, 1.0 / std::sqrt(vec_dot(m, direction, direction)), direction);
  // P H P + c d d^T: the model elsewhere, the given curvature along d.
  const double c = curvature < 0.0 ? curvature : -0.05;
  for (int i = 0; i < m; ++i) {
    double sum = 0.0;
    for (int j = 0; j < m; ++j) sum += h[packed_index(std::max(i, j), std::min(i, j))] * direction[j];
    ph[i] = sum;
  }
  const double dhd = vec_dot(m, direction, ph.data());
  for (int i = 0; i < m; ++i)
    for (int j = 0; j <= i; ++j)
      h[packed_index(i, j)] += -direction[i] * ph[j] - ph[i] * direction[j] + (dhd + c) * direction[i] * direction[j];
  record_write(rec::Hessian, h.data(), pm);
  record_write(rec::Gradient, g, m);
  record_put(rec::Energy, e);
  record_put(rec::haveE, ResultsGiven{1, 1, 1});
  record_put(rec::Opt_saddle, 1);
  record_put(rec::Opt_follow, 0);
  write_geometry(mol, x);
  std::printf(" curvature along the path = %10.6lf\n", c);
}

}  // namespace ostrel
