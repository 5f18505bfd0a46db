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
#include "runtime/records.hpp"
#include "runtime/timer.hpp"

namespace ostrel {

int fit_metric_inverse(const AtomSet& aux, double lambda_min, const char* metric_record,
                       const char* moments_record) {
  timer("Inversion of V-Matrix", '-');
  const int m = aux.first_function[aux.natom];
  const std::int64_t m2 = static_cast<std::int64_t>(m) * (m + 1) / 2;
  if (is_master) {
    PoolArray<double> s(4L * m);
    fit_moments(aux, s.data());
    record_save(Record<double>{moments_record}, s.data(), s.size());
  }
  PoolArray<double> v(m2);
  vec_set(m2, 0.0, v.data());
  fit_metric(Interaction::coulomb, aux, node_id, node_count, v.data());
  mp_sum(v.data(), m2, MP_DOUBLE);
  // The metric record holds V^-1, V^-1/2 and V, each packed.
  const Record<double> metric{metric_record};
  if (is_master) {
    record_ensure(metric, 3 * m2);
    record_write(metric, v.data(), m2, 2 * m2);
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
    record_write(metric, v.data(), m2, 0);
    for (int j = 0; j < kept; ++j) lambda[j] = 1.0 / std::sqrt(lambda[j]);
    scale_vectors(m, kept, u, lambda, 1);  // now lambda^-1/4 overall
  }
  matrix_multiply(u, u, v.data(), m, kept, m, 1, -1, 0, 1.0, 0.0);
  if (is_master) record_write(metric, v.data(), m2, m2);
  timer("Inversion of V-Matrix", '+');
  return dropped;
}

}  // namespace ostrel
