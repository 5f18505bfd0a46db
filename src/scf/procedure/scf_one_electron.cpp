#include "scf/procedure/scf_one_electron.hpp"

#include <cstdint>
#include <cstdio>

#include "integrals/fit_driver.hpp"
#include "integrals/one_electron_driver.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "scf/procedure/scf_overlap_fit.hpp"

namespace ostrel {
namespace {

struct Settings {
  double cut;
  double field[3];
  int four;
  int necp;
  int fit;
  int n3fit;
};

// invA as the first block of the metric record and p = invA s (charges of the fit functions).
void store_inverse_and_projection() {
  const std::int64_t m = record_get(rec::Nfit);
  const std::int64_t packed = m * (m + 1) / 2;
  PoolArray<double> inverse(packed), s(4 * m), p(m);
  record_read(rec::VMM, inverse.span());
  record_read(rec::s, s.span());
  for (std::int64_t i = 0; i < m; ++i) p[i] = 0.0;
  for (std::int64_t i = 0; i < m; ++i) {
    const double* row = inverse.data() + i * (i + 1) / 2;
    for (std::int64_t j = 0; j < i; ++j) {
      p[i] += row[j] * s[j];
      p[j] += row[j] * s[i];
    }
    p[i] += row[i] * s[i];
  }
  record_save(rec::invA, inverse.data(), packed);
  record_save(rec::p, p.data(), m);
}

}  // namespace

void scf_one_electron_setup() {
  Settings g{};
  if (is_master) {
    g.cut = record_field(rec::cutij, &IntegralCutoffs::pair);
    if (record_exists(rec::field)) record_read(rec::field, g.field, 3);
    g.four = record_get(rec::four);
    g.necp = record_get_or(rec::Necp, 0);
    g.fit = record_get(rec::fit);
    g.n3fit = record_get_or(rec::N3fit, 0);
  }
  mp_bcast(&g, sizeof g, MP_BYTE);
  const bool field = g.field[0] != 0.0 || g.field[1] != 0.0 || g.field[2] != 0.0;
  if (is_master && field)
    std::printf(" Applied electric field = (%11.8lf, %11.8lf, %11.8lf)\n", g.field[0], g.field[1],
                g.field[2]);

  OneElectronRecords records;
  records.hamiltonian = "H0";
  records.kinetic = nullptr;
  records.moments = nullptr;
  records.ecp = g.necp != 0 ? "ECP" : nullptr;
  double enn = 0.0;
  one_electron_integrals(records, &enn, g.field, nullptr, g.four, g.cut);
  if (is_master) record_put(rec::Enn, enn);

  if (g.fit == 0) return;
  if (g.fit == 'S') {
    if (!g.n3fit) fatal_error("\n %d: the overlap-metric fit needs N3fit\n", node_id);
    fit_metric_step(kFitMetricFloor);  // the Coulomb metric for the fit residual, and "s"
    scf_overlap_metric_inverse();
    return;
  }
  fit_metric_step(kFitMetricFloor);
  if (is_master) store_inverse_and_projection();
}

}  // namespace ostrel
