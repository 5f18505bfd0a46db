#include "scf/procedure/scf_one_electron_properties.hpp"

#include <cstdint>
#include <cstdio>

#include "integrals/one_electron_driver.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "scf/procedure/scf_state.hpp"

namespace ostrel {

void scf_one_electron_properties() {
  const ScfShape sh = scf_shape();
  OneElectronRecords records;
  records.overlap = nullptr;
  records.hamiltonian = "scf.H";  // the kinetic matrix comes with the Hamiltonian
  records.kinetic = "scf.T";
  records.moments = "scf.M";
  const double no_field[3] = {0.0, 0.0, 0.0};
  double nuclear[3] = {0.0, 0.0, 0.0};
  one_electron_integrals(records, nullptr, no_field, nuclear, 0, 1e-12);
  if (!is_master) return;
  std::printf("\n");  // ends the integral step's header line

  const std::int64_t t = sh.packed();
  PoolArray<double> d(t), a(t);
  scf_read("D", d.data(), t);
  scf_read("H0", a.data(), t);
  const double e1 = trace_product(sh.n, d.data(), a.data());
  scf_read("scf.T", a.data(), t);
  const double et = trace_product(sh.n, d.data(), a.data());
  double dipole[3];
  for (int k = 0; k < 3; ++k) {
    scf_read("scf.M", a.data(), t, k * t);
    dipole[k] = nuclear[k] - trace_product(sh.n, d.data(), a.data());
  }
  store_free("scf.H");
  store_free("scf.T");
  store_free("scf.M");
  record_put(rec::ET, et);
  record_put(rec::Ev, e1 - et);
  scf_write("Dipole", dipole, 3);
}

}  // namespace ostrel
