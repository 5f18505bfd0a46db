#include "geometry/optimize_internal.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/coordinate_kernel.hpp"
#include "geometry/internal_frame.hpp"
#include "geometry/internal_generation.hpp"
#include "geometry/internal_step.hpp"
#include "geometry/internal_variables.hpp"
#include "geometry/model_hessian.hpp"
#include "geometry/optimize_common.hpp"
#include "geometry/optimize_records.hpp"
#include "linalg/vector_ops.hpp"
#include "model/structure_print.hpp"
#include "runtime/fatal.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

void print_coordinate_list(int count, const InternalCoordinate* set, int n_atoms) {
  const int width = n_atoms >= 1000 ? 4 : n_atoms >= 100 ? 3 : n_atoms >= 10 ? 2 : 1;
  std::printf(" coord=\n");
  for (int k = 0; k < count; ++k) {
    const InternalCoordinate& c = set[k];
    std::printf("%1d,%*d,%*d,%*d,%*d,%s", c.type, width, c.i + 1, width, c.j + 1, width, c.k + 1,
                width, c.l + 1, (k + 1) % 6 == 0 || k + 1 == count ? "\n" : " ");
  }
}

// Step -1: the starting Hessian (and the followed mode of a saddle search).
void initial_call(StepContext& c, const InternalFrame& f, const int* z) {
  const int m = c.m;
  const int have_hessian = record_exists(rec::haveE) ? record_field(rec::haveE, &ResultsGiven::hessian) : 0;
  const int h = have_hessian;
  PoolArray<double> hx(packed_size(m)), g(m);
  vec_set(m, 0.0, g.data());
  if (h >= 1) {
    record_read(rec::Hessian, hx.data(), packed_size(m));
    record_read(rec::Gradient, g.data(), std::int64_t{m});
  } else if (h < 0) {
    // The final gradient of the previous run sits in entry 0 (see the converged step).
    record_read(rec::Opt_Hx, hx.data(), packed_size(m));
    record_read(rec::Opt_G, g.data(), std::int64_t{m});
  } else if (!c.o.exact) {
    build_model_hessian(c.count, c.set, f.b(), z, f.xyz(), c.n, hx.data());
    record_put(rec::Opt_gterm, 0);
    c.o.gterm = 0;
  }
  record_write(rec::Opt_Hx, hx.data(), packed_size(m));
  record_write(rec::Opt_G, g.data(), std::int64_t{m});
  if (!c.o.saddle && c.o.print) {
    print_coordinate_list(c.count, c.set, c.n);
    const CoordinateColumn column{"Value", f.values(), 1};
    print_internal_coordinates(c.count, c.set, 1, &column);
  }
  if (c.o.saddle) {
    if (h == 0) fatal_error(" H for saddle\n");
    PoolArray<double> gq(c.count);
    if (c.o.gterm) {
      f.internal_gradient(g.data(), gq.data());
      f.subtract_gradient_term(gq.data(), hx.data());
    }
    PoolArray<double> modes(std::int64_t{m} * std::max(c.nfree, 1)), curv(std::max(c.nfree, 1));
    free_modes(c, hx.data(), modes.data(), curv.data());
    const int follow = std::min(c.o.follow, c.nfree - 1);
    record_write(rec::Opt_Tx, modes.data() + std::int64_t{follow} * m, std::int64_t{m});
    std::printf(" Lowest eigenvalues:");
    for (int i = 0; i <= std::min(follow + 1, c.nfree - 1); ++i) std::printf(" %8.5lf", curv[i]);
    std::printf("\n chosen: %8.5lf\n", curv[follow]);
  }
  request_initial_grid();
}

// Everything pool-backed lives here, so the molecule block outlives it.
void run_step(StepContext& c, Molecule& mol) {
  const int m = c.m, step = c.step;
  double energy = 0.0;
  if (step >= 0) {
    energy = record_get(rec::Energy);
    record_put(rec::Opt_E, energy, step);
    std::printf(" Energy:        %15.8lf\n", energy);
    if (step > 0)
      std::printf(" Energy change:     %11.8lf (actual)\n                    %11.8lf (predicted)\n",
                  energy - record_get(rec::Opt_E, step - 1), record_get(rec::Opt_dE));
  }
  c.nfix = c.o.nfix;
  PoolArray<InternalCoordinate> set(COORDINATES_PER_ATOM * c.n), kfix(std::max(c.nfix, 1)), user(c.o.nk + 1);
  PoolArray<int> fix_index(std::max(c.nfix, 1));
  PoolArray<double> target(std::max(2 * c.nfix, 1));
  if (c.nfix > 0) {
    record_read(rec::Opt_Kfix, kfix.data(), c.nfix);
    record_read(rec::Opt_Rfix, target.data(), 2 * std::int64_t{c.nfix});
  }
  if (c.o.nk > 0) record_read(rec::Opt_K, user.data(), c.o.nk);
  c.count = build_coordinate_set(c.n, mol.z, mol.xyz, c.o.nk, user.data(), c.nfix, kfix.data(), set.data(),
                                 fix_index.data());
  c.set = set.data();
  c.fix_index = fix_index.data();
  c.target = target.data();
  PoolArray<double> w(std::max(c.count, 1));
  coordinate_weights(c.count, c.set, c.o.wr, c.nfix, c.fix_index, w.data());
  c.w = w.data();
  InternalFrame f(c.n, c.count, c.set, c.w, mol.xyz);
  PoolArray<double> v(std::int64_t{m} * m), vv(packed_size(m));
  c.nvar = independent_variables(f, c.nfix, c.fix_index, v.data());
  c.v = v.data();
  c.nfree = c.nvar - c.nfix;
  if (c.nvar < m - 6) {
    const CoordinateColumn column{"Value", f.values(), 1};
    print_internal_coordinates(c.count, c.set, 1, &column);
    fatal_error("\n too few.\n");
  }
  record_write(rec::Opt_Vx, v.data(), std::int64_t{m} * c.nvar);
  for (int a = 0; a < m; ++a)
    for (int b = 0; b <= a; ++b) {
      double sum = 0.0;
      for (int k = 0; k < c.nvar; ++k) sum += v[std::int64_t{k} * m + a] * v[std::int64_t{k} * m + b];
      vv[packed_index(a, b)] = sum;
    }
  record_write(rec::Opt_XX, vv.data(), packed_size(m));
  if (step < 0)
    initial_call(c, f, mol.z);
  else
    take_internal_step(c, f, mol, energy);
}

}  // namespace

void optimize_step_internal() {
  StepContext c{};
  c.o = load_optimize_options();
  c.step = record_get(rec::Opt_step);
  std::printf("\n Geometry Optimization Step %d:\n", c.step + 1);
  Molecule mol = load_molecule(0, "Molecule");
  c.n = mol.n_atoms;
  c.m = 3 * c.n;
  run_step(c, mol);
  release_molecule(mol);
  std::fflush(stdout);
}

}  // namespace ostrel
