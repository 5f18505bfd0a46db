#include "geometry/hessian/hessian_assembly.hpp"

#include <cstdint>
#include <cstdio>

#include "linalg/vector_ops.hpp"
#include "model/result_groups.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

void print_gradient_check(const DifferencePlan& plan, const double* e, const double* g0) {
  const int n3 = plan.n3;
  const double dx = plan.step;
  std::printf("\n NUMERICAL AND ANALYTICAL GRADIENT\n");
  for (int i = 0; i < n3; ++i) {
    const double forward = (e[1 + i] - e[0]) / dx;
    if (plan.mode == 1) {
      std::printf(" %12.9lf (%12.9lf) %12.9lf\n", forward, forward - g0[i], g0[i]);
    } else {
      const double central = (e[1 + i] - e[1 + n3 + i]) / (2.0 * dx);
      std::printf(" %12.9lf (%12.9lf) %12.9lf (%12.9lf) %12.9lf\n", forward, forward - g0[i], central,
                  central - g0[i], g0[i]);
    }
  }
}

}  // namespace

void difference_hessian(int n3, int mode, double dx, const double* g0, const double* g1, const double* g2,
                        double* packed) {
  const std::int64_t k = n3;
  for (std::int64_t i = 0; i < k; ++i)
    for (std::int64_t j = 0; j <= i; ++j) {
      double h;
      if (mode == 1)
        h = ((g1[i * k + j] - g0[j]) + (g1[j * k + i] - g0[i])) / (2.0 * dx);
      else
        h = ((g1[i * k + j] - g2[i * k + j]) + (g1[j * k + i] - g2[j * k + i])) / (4.0 * dx);
      packed[packed_index(i, j)] = h;
    }
}

void difference_derivatives(int n3, int width, int mode, double dx, const double* v0, const double* v1,
                            const double* v2, double* out) {
  for (std::int64_t i = 0; i < n3; ++i)
    for (int v = 0; v < width; ++v) {
      const std::int64_t at = i * width + v;
      out[at] = mode == 1 ? (v1[at] - v0[v]) / dx : (v1[at] - v2[at]) / (2.0 * dx);
    }
}

void free_difference_records() {
  for (int i = kDifferenceRecordCount - 1; i >= 0; --i) {
    if (!store_exists(kDifferenceRecords[i])) continue;
    // Records made after these (a later run restores them before its first SCF) pin them.
    if (!store_is_last(kDifferenceRecords[i])) return;
    store_free(kDifferenceRecords[i]);
  }
}

void assemble_second_derivatives(const DifferencePlan& plan) {
  const std::int64_t k = plan.n3, packed = k * (k + 1) / 2;
  PoolArray<double> e(1 + 2 * k), g0(k), g1(k * k), g2(k * k), v0(kPointValues), v1(k * kPointValues),
      v2(k * kPointValues), hessian(packed), derivatives(k * kPointValues), dipole_x(3 * k), polariz_x(33 * k);
  record_read(rec::num_E, e.span());
  record_read(rec::num_G0, g0.span());
  record_read(rec::num_G1, g1.span());
  record_read(rec::num_G2, g2.span());
  record_read(rec::num_g0, v0.span());
  record_read(rec::num_g1, v1.span());
  record_read(rec::num_g2, v2.span());
  print_gradient_check(plan, e.data(), g0.data());

  difference_hessian(plan.n3, plan.mode, plan.step, g0.data(), g1.data(), g2.data(), hessian.data());
  difference_derivatives(plan.n3, kPointValues, plan.mode, plan.step, v0.data(), v1.data(), v2.data(),
                         derivatives.data());
  // Per coordinate: 3 dipole components, then the three polarizability blocks of 6, 9 and
  // 18 components, each block ordered by coordinate.
  for (std::int64_t i = 0; i < k; ++i) {
    const double* d = derivatives.data() + i * kPointValues;
    for (int c = 0; c < 3; ++c) dipole_x[3 * i + c] = d[c];
    for (int c = 0; c < 6; ++c) polariz_x[6 * i + c] = d[3 + c];
    for (int c = 0; c < 9; ++c) polariz_x[6 * k + 9 * i + c] = d[9 + c];
    for (int c = 0; c < 18; ++c) polariz_x[15 * k + 18 * i + c] = d[18 + c];
  }
  free_difference_records();

  record_put(rec::Energy, e[0]);
  record_write(rec::Gradient, g0.data(), k);
  record_write(rec::Dipole, v0.data(), 3);
  record_write(rec::Polariz, v0.data() + 3, 33);
  record_write(rec::Hessian, hessian.data(), packed);
  record_write(rec::DipoleX, dipole_x.data(), 3 * k);
  record_write(rec::PolarizX, polariz_x.data(), 33 * k);
  write_result_group("Energy", "Gradient", "Hessian", "Dipole", "Polariz", "DipoleX", "PolarizX", plan.n3 / 3,
                     "eng>", -1);
}

}  // namespace ostrel
