#include "integrals/fit_steps.hpp"

#include "linalg/vector_ops.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/timer.hpp"

namespace ostrel {

void fit_gamma_step(const AtomSet& orb, const AtomSet& aux, const FitPairs& pairs, double epsilon, int nd,
                    double* densities, const char* gamma_record) {
  timer("Coulomb-type Integrals", '-');
  const std::int64_t n2 = packed_size(static_cast<std::int64_t>(orb.first_function[orb.natom]));
  const int m = aux.first_function[aux.natom];
  mp_bcast(densities, nd * n2, MP_DOUBLE);
  PoolArray<double> gamma(static_cast<std::int64_t>(nd) * m);
  vec_set(gamma.size(), 0.0, gamma.data());
  fit_projection(Interaction::coulomb, orb, aux, pairs, epsilon, nd, densities, gamma.data());
  mp_sum(gamma.data(), gamma.size(), MP_DOUBLE);
  if (is_master) record_save(Record<double>{gamma_record}, gamma.data(), gamma.size());
  timer("Coulomb-type Integrals", '+');
}

void fit_coefficient_step(int m, int nd, const char* metric_record, const char* gamma_record,
                          const char* coefficient_record) {
  if (!is_master) return;
  const std::int64_t m2 = packed_size(static_cast<std::int64_t>(m));
  PoolArray<double> vinv(m2), gamma(static_cast<std::int64_t>(nd) * m), c(3L * m);
  record_read(Record<double>{metric_record}, vinv.span());
  record_read(Record<double>{gamma_record}, gamma.span());
  for (int d = 0; d < nd; ++d) matrix_times_vector(m, vinv.data(), 0, gamma.data() + d * m, c.data() + d * m, 1.0, 0.0);
  if (nd == 1) vec_copy(m, c.data(), c.data() + m);
  vec_copy(m, c.data(), c.data() + 2 * m);
  vec_axpy(m, 1.0, c.data() + m, c.data() + 2 * m);
  record_save(Record<double>{coefficient_record}, c.data(), 3L * m);
}

void fit_coulomb_step(const AtomSet& orb, const AtomSet& aux, const FitPairs& pairs, double epsilon, int nd,
                      const char* coefficient_record, const char* coulomb_record) {
  timer("Coulomb-type Integrals", '-');
  const std::int64_t n2 = packed_size(static_cast<std::int64_t>(orb.first_function[orb.natom]));
  const int m = aux.first_function[aux.natom];
  PoolArray<double> c(static_cast<std::int64_t>(nd) * m);
  if (is_master) record_read(Record<double>{coefficient_record}, c.span());
  mp_bcast(c.data(), c.size(), MP_DOUBLE);
  PoolArray<double> j(nd * n2);
  vec_set(j.size(), 0.0, j.data());
  fit_assembly(Interaction::coulomb, orb, aux, pairs, epsilon, nd, c.data(), j.data());
  mp_sum(j.data(), j.size(), MP_DOUBLE);
  if (is_master) record_save(Record<double>{coulomb_record}, j.data(), j.size());
  timer("Coulomb-type Integrals", '+');
}

}  // namespace ostrel
