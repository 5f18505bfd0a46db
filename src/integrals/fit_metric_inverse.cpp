#include "integrals/fit_metric_inverse.hpp"

#include <cmath>
#include <cstdio>

#include "integrals/coulomb_fit.hpp"
#include "linalg/eigen_symmetric.hpp"
#include "linalg/multiply.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/store.hpp"
#include "runtime/timer.hpp"

namespace ostrel {
namespace {

void ensure_record(const char* name, std::int64_t bytes) {
  if (!store_exists(name)) store_alloc(name, bytes);
}

}  // namespace

int fit_metric_inverse(const AtomSet& aux, double lambda_min, const char* metric_record,
                       const char* moments_record) {
  timer("Inversion of V-Matrix", '-');
  const int m = aux.first_function[aux.natom];
  const std::int64_t m2 = static_cast<std::int64_t>(m) * (m + 1) / 2;
  if (is_master) {
    PoolArray<double> s(4L * m);
    fit_moments(aux, s.data());
    ensure_record(moments_record, 4L * m * static_cast<std::int64_t>(sizeof(double)));
    store_write(moments_record, 0, s.data(), 4L * m * static_cast<std::int64_t>(sizeof(double)));
  }
  PoolArray<double> v(m2);
  vec_set(m2, 0.0, v.data());
  fit_metric(Interaction::coulomb, aux, node_id, node_count, v.data());
  mp_sum(v.data(), m2, MP_DOUBLE);
  const std::int64_t bytes = m2 * static_cast<std::int64_t>(sizeof(double));
  if (is_master) {
    ensure_record(metric_record, 3 * bytes);
    store_write(metric_record, 2 * bytes, v.data(), bytes);
  }
  PoolArray<double> vectors(static_cast<std::int64_t>(m) * m);
  PoolArray<double> values(m);
  eigen_symmetric(v.data(), vectors.data(), values.data(), m);  // v is destroyed
  int dropped = 0;
  if (is_master) {
    while (dropped < m && values[dropped] < lambda_min) ++dropped;
    const double vmax = m > 0 ? values[m - 1] : 0.0;
    std::printf(" vmax=%8.1e, vmin/vmax=%8.1e, M=%d\n", vmax, m > 0 ? values[0] / vmax : 0.0, dropped);
  }
  mp_bcast(&dropped, 1, MP_INT);
  const int kept = m - dropped;
  double* u = vectors.data() + static_cast<std::int64_t>(dropped) * m;
  double* lambda = values.data() + dropped;
  if (is_master) scale_vectors(m, kept, u, lambda, 1);  // lambda^-1/2
  // sum over kept u u^T: U is m x kept, stored column by column
  matrix_multiply(u, u, v.data(), m, kept, m, 1, -1, 0, 1.0, 0.0);
  if (is_master) {
    store_write(metric_record, 0, v.data(), bytes);
    for (int j = 0; j < kept; ++j) lambda[j] = 1.0 / std::sqrt(lambda[j]);
    scale_vectors(m, kept, u, lambda, 1);  // now lambda^-1/4 overall
  }
  matrix_multiply(u, u, v.data(), m, kept, m, 1, -1, 0, 1.0, 0.0);
  if (is_master) store_write(metric_record, bytes, v.data(), bytes);
  timer("Inversion of V-Matrix", '+');
  return dropped;
}

}  // namespace ostrel
