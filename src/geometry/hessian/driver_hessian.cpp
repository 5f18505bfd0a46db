#include "geometry/hessian/driver_hessian.hpp"

#include <cstdint>
#include <cstdio>

#include "geometry/hessian/displaced_points.hpp"
#include "geometry/hessian/hessian_assembly.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

// The same guard as the driver's before a gradient.
void require_converged() {
  double gmax = 0.0;
  if (is_master) gmax = record_get(rec::scf_Gmax);
  mp_bcast(&gmax, 1, MP_DOUBLE);
  if (!(gmax <= 1e-3)) {
    if (is_master) fatal_error("\n SCF is far from convergence\n");
    fatal_stop();
  }
}

}  // namespace

void difference_hessian_for_driver(const EnergyProcedures& p) {
  int header[2] = {0, 0};  // coordinates, "grid_adapt" to put back
  if (is_master) {
    header[0] = 3 * record_field(rec::Natom, &PerStructure::whole);
    header[1] = record_get_or(rec::grid_adapt, 0);
  }
  mp_bcast(header, 2, MP_INT);
  const int n3 = header[0];
  const double dx = kDriverHessianStep;
  const std::int64_t k = n3, here = is_master ? 1 : 0;
  PoolArray<double> g0(here ? k : 1), g1(here ? k * k : 1), g2(here ? k * k : 1), d0(3), d1(here ? 3 * k : 1),
      d2(here ? 3 * k : 1), hessian(here ? k * (k + 1) / 2 : 1), dipole_x(here ? 3 * k : 1);
  double energy = 0.0;
  if (is_master) {
    std::printf("\n second derivatives by central differences of analytic gradients (%d gradients, step %.3lf bohr)\n",
                2 * n3, dx);
    energy = record_get(rec::Energy);
    record_read(rec::Gradient, g0.data(), k);
    record_read(rec::Dipole, d0.data(), 3);
    keep_reference_state();
    if (record_exists(rec::grid_adapt)) record_put(rec::grid_adapt, 0);
  }
  for (int s = 0; s < 2 * n3; ++s) {
    const int i = s % n3;
    const bool forward = s < n3;
    double old = 0.0;
    if (is_master) old = shift_coordinate(i, forward ? dx : -dx);
    restore_reference_state();
    p.scf_run();
    require_converged();
    p.nuclear_gradient();
    if (!is_master) continue;
    record_read(rec::Gradient, (forward ? g1 : g2).data() + i * k, k);
    record_read(rec::Dipole, (forward ? d1 : d2).data() + 3 * i, 3);
    set_coordinate(i, old);
  }
  if (is_master) {
    difference_hessian(n3, 2, dx, g0.data(), g1.data(), g2.data(), hessian.data());
    difference_derivatives(n3, 3, 2, dx, d0.data(), d1.data(), d2.data(), dipole_x.data());
    // The next evaluation continues from this structure's orbitals, as after any other.
    restore_reference_state();
    free_difference_records();
    record_put(rec::Energy, energy);
    record_write(rec::Gradient, g0.data(), k);
    record_write(rec::Dipole, d0.data(), 3);
    record_write(rec::Hessian, hessian.data(), hessian.size());
    record_write(rec::DipoleX, dipole_x.data(), dipole_x.size());
    if (record_exists(rec::grid_adapt)) record_put(rec::grid_adapt, header[1]);
  }
}

}  // namespace ostrel
