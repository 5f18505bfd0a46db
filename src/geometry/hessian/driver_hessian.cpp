#include "geometry/hessian/driver_hessian.hpp"

#include <cstdint>
#include <cstdio>

#include "geometry/hessian/displaced_points.hpp"
#include "geometry/hessian/hessian_assembly.hpp"
#include "geometry/hessian/internal_displacements.hpp"
#include "linalg/vector_ops.hpp"
#include "model/molecule_record.hpp"
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

// "Molecule" at x0 + step v (master).
void place(const double* x0, double step, const double* v) {
  Molecule mol = load_molecule(0, "Molecule");
  for (int i = 0; i < 3 * mol.n_atoms; ++i) mol.xyz[i] = x0[i] + step * v[i];
  store_molecule("Molecule", mol);
  release_molecule(mol);
}

}  // namespace

void difference_hessian_for_driver(const EnergyProcedures& p) {
  int header[3] = {0, 0, 0};  // coordinates, "grid_adapt" to put back, rigid directions
  const bool here = is_master;
  if (here) {
    header[0] = 3 * record_field(rec::Natom, &PerStructure::whole);
    header[1] = record_get_or(rec::grid_adapt, 0);
  }
  mp_bcast(header, 2, MP_INT);
  const int n3 = header[0];
  const double dx = kDriverHessianStep;
  const std::int64_t k = n3;
  // Master: the reference, the directions (vector-major) and H and d(mu) along each.
  PoolArray<double> g0(here ? k : 1), d0(3), q(here ? k * k : 1), hq(here ? k * k : 1), dq(here ? 3 * k : 1),
      x0(here ? k : 1), g1(here ? k : 1), d1(3), hessian(here ? k * (k + 1) / 2 : 1), dipole_x(here ? 3 * k : 1);
  double energy = 0.0;
  if (here) {
    energy = record_get(rec::Energy);
    record_read(rec::Gradient, g0.data(), k);
    record_read(rec::Dipole, d0.data(), 3);
    Molecule mol = load_molecule(0, "Molecule");
    vec_copy(k, mol.xyz, x0.data());
    header[2] = rigid_and_internal_directions(n3 / 3, mol.xyz, g0.data(), d0.data(), mol.charges[0], q.data(),
                                              hq.data(), dq.data());
    release_molecule(mol);
    std::printf("\n second derivatives by central differences of analytic gradients (%d gradients, step %.3lf bohr)\n",
                2 * (n3 - header[2]), dx);
    keep_reference_state();
    // Each displaced point builds its own grid: the reference grid carried along with the
    // atoms bent ethane's soft torsion by 1.4% in curvature (303.35i cm^-1 against 301.09i;
    // two other programs give 301.2i and 301.4i).
    if (record_exists(rec::grid_adapt)) record_put(rec::grid_adapt, record_get_or(rec::grid, 0));
  }
  mp_bcast(header + 2, 1, MP_INT);
  const int rigid = header[2];
  for (int s = 0; s < 2 * (n3 - rigid); ++s) {
    const int a = rigid + s / 2;
    const double sign = s % 2 == 0 ? 1.0 : -1.0;
    if (here) place(x0.data(), sign * dx, q.data() + a * k);
    restore_reference_state();
    p.scf_run();
    require_converged();
    p.nuclear_gradient();
    if (!here) continue;
    // The column H q_a and d(mu)/dq_a by central differences, the forward point first.
    record_read(rec::Gradient, g1.data(), k);
    record_read(rec::Dipole, d1.data(), 3);
    double *column = hq.data() + a * k, *dipole_column = dq.data() + 3 * a;
    if (sign > 0.0) vec_set(k, 0.0, column), vec_set(3, 0.0, dipole_column);
    vec_axpy(k, sign / (2 * dx), g1.data(), column);
    vec_axpy(3, sign / (2 * dx), d1.data(), dipole_column);
  }
  if (here) {
    place(x0.data(), 0.0, q.data());
    // H = (H Q) Q^T, symmetrised; d(mu)/dx = (d(mu)/dQ) Q^T.
    for (int i = 0; i < n3; ++i)
      for (int j = 0; j <= i; ++j) {
        double v = 0.0;
        for (int a = 0; a < n3; ++a) v += hq[a * k + i] * q[a * k + j] + hq[a * k + j] * q[a * k + i];
        hessian[packed_index(i, j)] = 0.5 * v;
      }
    for (int j = 0; j < n3; ++j)
      for (int c = 0; c < 3; ++c) {
        double v = 0.0;
        for (int a = 0; a < n3; ++a) v += dq[3 * a + c] * q[a * k + j];
        dipole_x[3 * j + c] = v;
      }
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
