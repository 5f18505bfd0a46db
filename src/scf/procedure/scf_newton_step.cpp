#include "scf/procedure/scf_newton_step.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "linalg/small_solvers.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "runtime/store_backing.hpp"
#include "runtime/timer.hpp"
#include "scf/numint/xc_energy_passes.hpp"
#include "scf/procedure/scf_hessian_setup.hpp"
#include "scf/procedure/scf_newton_subspace.hpp"
#include "scf/procedure/scf_response.hpp"
#include "scf/procedure/scf_state.hpp"

namespace ostrel {
namespace {

std::int64_t slot(int k, std::int64_t nrot) { return k * nrot; }

// Occupied orbitals perturbed along the direction b: C1 = C_virt X for each spin set.
void perturbed_orbitals(const ScfShape& sh, const double* b) {
  const bool here = is_master;
  const int n = sh.n;
  PoolArray<double> c(here ? sh.square() : 1), c1(here ? sh.square() : 1);
  for (int k = 0; k < sh.nblocks; ++k) {
    const RotationBlock& r = sh.block[k];
    if (here) scf_read(r.spin == 0 ? "Ca" : "Cb", c.data(), sh.square());
    scf_gemm(n, r.occupied(), r.virtuals(), 1.0, c.data() + std::int64_t{r.v0} * n, kN,
             b + r.offset, kN, 0.0, c1.data());
    if (here) scf_write(r.spin == 0 ? "Ca1" : "Cb1", c1.data(), std::int64_t{n} * r.occupied());
  }
}

// Hessian image of b: C_virt^T F1 C_occ plus the orbital-energy term, either diagonal
// (canonical orbitals) or Fvv X - X Foo.
void hessian_image(const ScfShape& sh, bool canonical, const double* b, double* sigma) {
  const bool here = is_master;
  const int n = sh.n;
  PoolArray<double> c(here ? sh.square() : 1), f1c(here ? sh.square() : 1), e(here ? n : 1);
  for (int k = 0; k < sh.nblocks; ++k) {
    const RotationBlock& r = sh.block[k];
    const int no = r.occupied(), nv = r.virtuals();
    if (here) {
      scf_read(r.spin == 0 ? "Ca" : "Cb", c.data(), sh.square());
      scf_read(r.spin == 0 ? "F1Ca" : "F1Cb", f1c.data(), std::int64_t{n} * no);
    }
    double* s = sigma + r.offset;
    const double* x = b + r.offset;
    scf_gemm(nv, no, n, 1.0, c.data() + std::int64_t{r.v0} * n, kT, f1c.data(), kN, 0.0, s);
    if (!here) continue;
    if (canonical) {
      scf_read(r.spin == 0 ? "ea" : "eb", e.data(), n);
      for (int i = 0; i < no; ++i)
        for (int a = 0; a < nv; ++a)
          s[i * std::int64_t{nv} + a] += (e[r.v0 + a] - e[r.o0 + i]) * x[i * std::int64_t{nv} + a];
    } else {
      PoolArray<double> foo(packed_size(no)), fvv(packed_size(nv));
      scf_read(r.spin == 0 ? "Foa" : "Fob", foo.data(), foo.size());
      scf_read(r.spin == 0 ? "Fva" : "Fvb", fvv.data(), fvv.size());
      for (int i = 0; i < no; ++i)
        for (int a = 0; a < nv; ++a) {
          double sum = 0.0;
          for (int q = 0; q < nv; ++q) sum += fvv[packed_index(a, q)] * x[i * std::int64_t{nv} + q];
          for (int j = 0; j < no; ++j) sum -= x[j * std::int64_t{nv} + a] * foo[packed_index(j, i)];
          s[i * std::int64_t{nv} + a] += sum;
        }
    }
  }
}

// The kernel pass of every direction of a step sees the same ground state: each node keeps
// the functional's second derivatives at its points of the response grid for the step
// ("xc.d2"), when they take at most half the store's free space. True when it made the record.
bool reserve_kernel_cache(int spins) {
  if (scf_get_int("grid") == 0) return false;
  const std::int64_t points = scf_get_int("Ngrid", scf_get_int("grid_spare") ? 1 : 0);
  // This node's share: at most one more point per shell than an even split, and a shell
  // has at least 26 points.
  const std::int64_t share = points / node_count + points / 26 + 1;
  const std::int64_t need = 1 + xc_kernel_values(spins) * share;
  int peak_kb = 0, written_kb = 0, read_kb = 0;
  store_usage(&peak_kb, &written_kb, &read_kb);
  if (8 * need > (backing_capacity() - 1024 * std::int64_t{peak_kb}) / 2) return false;
  record_alloc(rec::xc_d2, need);
  record_put(rec::xc_d2, 0.0);
  return true;
}

}  // namespace

void scf_hessian_image(const double* b, double* sigma) {
  const ScfShape sh = scf_shape();
  const bool canonical = scf_get_int("scf_diag", 1) == 1;
  perturbed_orbitals(sh, b);
  if (is_master) {
    record_put(rec::ID1, 0);
    record_put(rec::ND1, 1);
    record_put(rec::use_d2Exc, 0);
  }
  scf_response();
  hessian_image(sh, canonical, b, sigma);
}

void scf_newton_step() {
  timer("scf equations", '-');
  const ScfShape sh = scf_shape();
  if (sh.open_restricted()) fatal_error("\n N.I.\n");
  const bool here = is_master;
  const std::int64_t nr = sh.nrot;
  const double conv = scf_get_double("convergence");
  const int itinner = std::max(1, scf_get_int("iterations", 1));
  const double coarse_floor = scf_get_int("grid") != 0 && scf_get_int("grid_fine") == 0
                                  ? 0.5 * coarse_residual_factor(sh.closed) * scf_get_double("grid_accuracy", 1)
                                  : 0.0;
  if (here) {
    record_alloc(rec::Ca1, std::max(1L, std::int64_t{sh.n} * sh.na));
    record_alloc(rec::Cb1, std::max(1L, std::int64_t{sh.n} * sh.nb));
    record_alloc(rec::F1Ca, std::max(1L, std::int64_t{sh.n} * sh.na));
    record_alloc(rec::F1Cb, std::max(1L, std::int64_t{sh.n} * sh.nb));
  }
  // Open shells keep the guess's preconditioner: with the refreshed one the amino radical on
  // a rough grid (accuracy 1e-6) was led into a soft region and did not converge in 60 steps.
  if (sh.closed) scf_preconditioner_update();
  const bool kernel_cache = reserve_kernel_cache(sh.closed ? 1 : 2);
  {
    const std::int64_t len = here ? std::max<std::int64_t>(nr, 1) : 1;
    PoolArray<double> g(len), p(len), b(len), sigma(len), x(len), r(len), w(len);
    NewtonSubspace sub(itinner);
    if (here && record_exists(rec::scf_trust)) sub.max_step = record_get(rec::scf_trust);
    double tol = 0.0;
    int solved = 0;
    if (here) {
      scf_read("scf_G", g.data(), nr);
      scf_read("scf_H", p.data(), nr);
      const double gmax = vec_max_norm(nr, g.data());
      tol = std::max({std::min(gmax * gmax, 0.01), conv / 2.0, coarse_floor});
      vec_product(nr, p.data(), g.data(), b.data());
      const double norm = std::sqrt(vec_dot(nr, b.data(), b.data()));
      if (norm > 0.0) vec_scale(nr, 1.0 / norm, b.data());
      scf_write("scf_H", b.data(), nr, slot(1, nr));
    }
    double rmax = 0.0;
    for (int k = 0;; ++k) {
      if (here) scf_read("scf_H", b.data(), nr, slot(2 * k + 1, nr));
      scf_hessian_image(b.data(), sigma.data());
      int more = 0;
      NewtonReport report{};
      if (here) {
        scf_write("scf_H", sigma.data(), nr, slot(2 * k + 2, nr));
        // Reduced gradient and matrix against every stored direction.
        sub.gamma[k] = vec_dot(nr, b.data(), g.data());
        for (int j = 0; j <= k; ++j) {
          scf_read("scf_H", w.data(), nr, slot(2 * j + 1, nr));
          sub.a[packed_index(k, j)] = vec_dot(nr, sigma.data(), w.data());
        }
        report = newton_subspace_solve(sub, k + 1);
        solved = k + 1;
        if (report.lowest_raw < -10.0) std::printf("\n lowest eigenvalue = %8.2lf!!!\n", report.lowest_raw);
        // Step X = sum c_j b_j and residual R = g + sum c_j sigma_j + mu X.
        vec_set(nr, 0.0, x.data());
        vec_copy(nr, g.data(), r.data());
        for (int j = 0; j <= k; ++j) {
          scf_read("scf_H", w.data(), nr, slot(2 * j + 1, nr));
          vec_axpy(nr, sub.c[j], w.data(), x.data());
          scf_read("scf_H", w.data(), nr, slot(2 * j + 2, nr));
          vec_axpy(nr, sub.c[j], w.data(), r.data());
        }
        vec_axpy(nr, report.mu, x.data(), r.data());
        rmax = vec_max_norm(nr, r.data());
        // Next direction: preconditioned residual, orthogonalised once against the subspace.
        vec_product(nr, p.data(), r.data(), b.data());
        double norm = std::sqrt(vec_dot(nr, b.data(), b.data()));
        if (norm > 0.0) vec_scale(nr, 1.0 / norm, b.data());
        for (int j = 0; j <= k; ++j) {
          scf_read("scf_H", w.data(), nr, slot(2 * j + 1, nr));
          vec_axpy(nr, -vec_dot(nr, w.data(), b.data()), w.data(), b.data());
        }
        const double nu = vec_dot(nr, b.data(), b.data());
        if (nu > 0.0) {
          vec_scale(nr, 1.0 / std::sqrt(nu), b.data());
          if (k + 1 < itinner) scf_write("scf_H", b.data(), nr, slot(2 * k + 3, nr));
        }
        more = rmax >= tol && nu >= 0.1 && k + 1 < itinner;
      }
      mp_bcast(&more, 1, MP_INT);
      const double seconds = timer("SCF Equations", '?');
      if (here) {
        if (report.lowest_raw <= 0.0)
          std::printf(" %3d  warning:   eigenvalue %6.3lf   %13.8lf%9.1lf\n", k + 1, report.lowest_raw, rmax, seconds);
        else
          std::printf(" %3d                                 %13.8lf%9.1lf\n", k + 1, rmax, seconds);
      }
      if (!more) break;
    }
    if (here) {
      scf_write("scf_X", x.data(), nr);
      record_put(rec::scf_Gmax, rmax);
      // The predicted change, for the trust radius (per unit of the gradient's scale).
      if (record_exists(rec::scf_trust)) record_put(rec::scf_trust, newton_model_change(sub, solved), 1);
    }
  }
  if (kernel_cache) record_free(rec::xc_d2);
  if (here)
    for (const auto r : {rec::F1Cb, rec::F1Ca, rec::Cb1, rec::Ca1}) record_free(r);
  timer("scf equations", '+');
}

}  // namespace ostrel
