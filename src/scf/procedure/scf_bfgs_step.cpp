#include "scf/procedure/scf_bfgs_step.hpp"

#include <cmath>
#include <cstdint>

#include "linalg/vector_ops.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "scf/procedure/scf_state.hpp"

namespace ostrel {
namespace {

constexpr double kMaxAngle = 0.5;  // largest rotation angle of one step

// x += (u.g + v.g) u + (u.g) v: one rank-two term of the inverse Hessian applied to g.
void apply_pair(std::int64_t n, const double* u, const double* v, const double* g, double* x) {
  const double ug = vec_dot(n, u, g), vg = vec_dot(n, v, g);
  vec_axpy(n, ug + vg, u, x);
  vec_axpy(n, ug, v, x);
}

}  // namespace

void scf_bfgs_step() {
  const ScfShape sh = scf_shape();
  if (!is_master) return;
  const std::int64_t n = sh.nrot;
  if (n < 1) return;
  const int iteration = record_get(rec::scf_iter);
  const int grid_new = record_get(rec::grid_new);
  int nh = record_get(rec::scf_NH);
  const std::int64_t capacity = (store_size("scf_H") / (8 * n) - 1) / 2;
  PoolArray<double> g(n), x(n), u(n), v(n);
  scf_read("scf_G", g.data(), n);
  scf_read("scf_H", x.data(), n);
  vec_product(n, x.data(), g.data(), x.data());
  for (int k = 0; k < nh; ++k) {
    scf_read("scf_H", u.data(), n, (2 * k + 1) * n);
    scf_read("scf_H", v.data(), n, (2 * k + 2) * n);
    apply_pair(n, u.data(), v.data(), g.data(), x.data());
  }
  // A zero x.g marks a step that pairs with no update.
  if (iteration > 0 && grid_new == 0 && nh < capacity && record_get(rec::scf_XG0) != 0.0) {
    scf_read("scf_X", u.data(), n);  // the previous step s
    vec_copy(n, x.data(), v.data());
    vec_axpy(n, 1.0, u.data(), v.data());
    const double rho = 1.0 / (record_get(rec::scf_XG0) - vec_dot(n, u.data(), g.data()));
    const double c = (vec_dot(n, g.data(), v.data()) * rho - 2.0) * rho;
    // rho < 0 is the curvature condition s.y > 0 (y the gradient change); without it the
    // update can make the inverse Hessian indefinite and the steps run uphill.
    if (rho < 0.0 && c > 0.0 && std::isfinite(c)) {
      vec_scale(n, std::sqrt(c), u.data());
      vec_scale(n, rho / std::sqrt(c), v.data());
      scf_write("scf_H", u.data(), n, (2 * std::int64_t{nh} + 1) * n);
      scf_write("scf_H", v.data(), n, (2 * std::int64_t{nh} + 2) * n);
      ++nh;
      apply_pair(n, u.data(), v.data(), g.data(), x.data());
    }
  }
  // An update history that no longer points downhill is dropped: the step falls back to
  // the preconditioned gradient.
  if (vec_dot(n, x.data(), g.data()) <= 0.0) {
    nh = 0;
    scf_read("scf_H", x.data(), n);
    vec_product(n, x.data(), g.data(), x.data());
  }
  // Along flat or negatively curved directions the update can stretch the step to
  // meaningless angles; none goes beyond the Newton step's bound.
  const double largest = vec_max_norm(n, x.data());
  if (largest > kMaxAngle) vec_scale(n, kMaxAngle / largest, x.data());
  // The trust radius of the step control, once a step had to be taken back.
  if (record_exists(rec::scf_trust)) {
    const double length = std::sqrt(vec_dot(n, x.data(), x.data())), radius = record_get(rec::scf_trust);
    if (length > radius) vec_scale(n, radius / length, x.data());
  }
  vec_scale(n, -1.0, x.data());
  scf_write("scf_X", x.data(), n);
  record_put(rec::scf_XG0, vec_dot(n, x.data(), g.data()));
  record_put(rec::scf_NH, nh);
}

}  // namespace ostrel
