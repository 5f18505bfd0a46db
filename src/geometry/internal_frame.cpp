#include "geometry/internal_frame.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geometry/coordinate_kernel.hpp"
#include "geometry/step_tools.hpp"
#include "linalg/vector_ops.hpp"
#include "model/molecule_record.hpp"

namespace ostrel {
namespace {

int slot_atom(const InternalCoordinate& c, int s) {
  const int a[4] = {c.i, c.j, c.k, c.l};
  return a[s];
}

// An isolated linear molecule (every atom in a linear bend whose frame is fixed in space)
// keeps one internal motion per bend component however slightly it is bent: its axis goes
// from the chain end to the farthest atom of those bends. Otherwise false.
bool linear_molecule_axis(int n_atoms, int count, const InternalCoordinate* set, const double* xyz,
                          double* axis) {
  PoolArray<int> covered(n_atoms);
  for (int a = 0; a < n_atoms; ++a) covered[a] = 0;
  int end = -1, far = -1;
  double best = 0.0;
  for (int k = 0; k < count; ++k) {
    const InternalCoordinate& c = set[k];
    if ((c.type != 4 && c.type != 5) || c.i != c.j) continue;
    covered[c.j] = covered[c.k] = covered[c.l] = 1;
    end = c.j;
    for (int a : {c.k, c.l}) {
      const double r = atom_distance(xyz, c.j, a);
      if (r > best) best = r, far = a;
    }
  }
  if (end < 0 || best <= 0.0 || std::count(covered.data(), covered.data() + n_atoms, 1) != n_atoms) return false;
  for (int d = 0; d < 3; ++d) axis[d] = (xyz[3 * far + d] - xyz[3 * end + d]) / best;
  return true;
}

}  // namespace

InternalFrame::InternalFrame(int n_atoms, int count, const InternalCoordinate* set,
                             const double* weights, const double* xyz, Solve solve)
    : n_(n_atoms), count_(count), mode_(solve), set_(set), w_(weights), x_(3 * std::int64_t{n_atoms}),
      q_(std::max(count, 1)), b_(std::int64_t{B_ROW} * std::max(count, 1)),
      ginv_(solve == Solve::Inverse ? packed_size(3 * std::int64_t{n_atoms}) : 1),
      t_(6 * 3 * std::int64_t{n_atoms}) {
  const int m = 3 * n_;
  vec_copy(m, xyz, x_.data());
  internal_values(count_, set_, xyz, q_.data(), b_.data());
  double axis[3];
  nt_ = linear_molecule_axis(n_, count_, set_, xyz, axis) ? linear_translation_rotation_vectors(n_, xyz, axis, t_.data())
                                                         : translation_rotation_vectors(n_, xyz, t_.data());
  const int nt = nt_;
  if (mode_ == Solve::Iterative) return;
  const double* t = t_.data();
  PoolArray<double> g(packed_size(m)), unit(m), col(std::max(count, 1)), back(m);
  for (int p = 0; p < m; ++p) {
    vec_set(m, 0.0, unit.data());
    unit[p] = 1.0;
    to_internal(unit.data(), col.data());
    for (int k = 0; k < count_; ++k) col[k] *= w_[k];
    transpose(col.data(), back.data());
    for (int r = 0; r <= p; ++r) g[packed_index(p, r)] = back[r];
  }
  for (int k = 0; k < nt; ++k)
    for (int p = 0; p < m; ++p)
      for (int r = 0; r <= p; ++r) g[packed_index(p, r)] += t[k * m + p] * t[k * m + r];
  PoolArray<double> vec(std::int64_t{m} * m), val(m);
  eigen_local(g.data(), vec.data(), val.data(), m);
  // Directions no coordinate moves (a set that misses motions) are left out.
  const double floor = 1e-12 * std::max(val[m - 1], 1.0);
  vec_set(packed_size(m), 0.0, ginv_.data());
  for (int k = 0; k < m; ++k) {
    if (val[k] <= floor) continue;
    const double* v = vec.data() + std::int64_t{k} * m;
    for (int p = 0; p < m; ++p)
      for (int r = 0; r <= p; ++r) ginv_[packed_index(p, r)] += v[p] * v[r] / val[k];
  }
}

void InternalFrame::project(double* dx) const {
  const int m = 3 * n_;
  for (int k = 0; k < nt_; ++k) vec_axpy(m, -vec_dot(m, t_.data() + std::int64_t{k} * m, dx), t_.data() + std::int64_t{k} * m, dx);
}

void InternalFrame::to_internal(const double* dx, double* dq) const {
  PoolArray<double> p(3 * n_);
  vec_copy(3 * n_, dx, p.data());
  project(p.data());
  apply_b_matrix(count_, set_, b_.data(), p.data(), dq);
}

void InternalFrame::transpose(const double* dq, double* dx) const {
  apply_b_transpose(count_, set_, b_.data(), dq, dx, n_);
  project(dx);
}

void InternalFrame::solve(const double* b, double* y) const {
  if (mode_ == Solve::Inverse)
    matrix_times_vector(3 * n_, ginv_.data(), 0, b, y, 1.0, 0.0);
  else
    conjugate_gradients(b, y);
}

// G y = b from y = 0 with the products B, W, B^T and T T^T; a residual left above 1e-7 of
// the right-hand side is reported and the result used all the same.
void InternalFrame::conjugate_gradients(const double* b, double* y) const {
  const int m = 3 * n_;
  PoolArray<double> r(m), p(m), gp(m), dq(std::max(count_, 1));
  auto apply = [&](const double* v, double* out) {
    to_internal(v, dq.data());
    for (int k = 0; k < count_; ++k) dq[k] *= w_[k];
    transpose(dq.data(), out);
    for (int k = 0; k < nt_; ++k) {
      const double* t = t_.data() + std::int64_t{k} * m;
      vec_axpy(m, vec_dot(m, t, v), t, out);
    }
  };
  const double bmax = vec_max_norm(m, b), scale = std::sqrt(static_cast<double>(m)) * bmax;
  vec_set(m, 0.0, y);
  vec_copy(m, b, r.data());
  vec_copy(m, b, p.data());
  double rr = vec_dot(m, r.data(), r.data());
  for (int it = 0; it < 2 * m && vec_max_norm(m, r.data()) > 1e-12 * scale; ++it) {
    apply(p.data(), gp.data());
    const double pgp = vec_dot(m, p.data(), gp.data());
    if (!(pgp > 0.0)) break;
    const double alpha = rr / pgp;
    vec_axpy(m, alpha, p.data(), y);
    vec_axpy(m, -alpha, gp.data(), r.data());
    const double next = vec_dot(m, r.data(), r.data());
    vec_scale(m, next / rr, p.data());
    vec_axpy(m, 1.0, r.data(), p.data());
    rr = next;
  }
  const double left = vec_max_norm(m, r.data());
  if (left > 1e-7 * scale) std::printf(" coordinv: g=%7.1e (v=%7.1e)\n", left, bmax);
}

void InternalFrame::displacement(const double* dq, double* dx) const {
  const int m = 3 * n_;
  PoolArray<double> wdq(std::max(count_, 1)), bt(m);
  for (int k = 0; k < count_; ++k) wdq[k] = w_[k] * dq[k];
  transpose(wdq.data(), bt.data());
  solve(bt.data(), dx);
}

void InternalFrame::internal_gradient(const double* gx, double* gq) const {
  const int m = 3 * n_;
  PoolArray<double> y(m);
  solve(gx, y.data());
  to_internal(y.data(), gq);
  for (int k = 0; k < count_; ++k) gq[k] *= w_[k];
}

void InternalFrame::gradient_term(const double* gq, double sign, double* h) const {
  double d2[B_SECOND];
  for (int k = 0; k < count_; ++k) {
    if (gq[k] == 0.0) continue;
    const InternalCoordinate& c = set_[k];
    coordinate_value(c, x_.data(), nullptr, d2);
    const int used = coordinate_atoms(c.type);
    for (int s = 0; s < used; ++s)
      for (int t = 0; t < used; ++t)
        for (int d = 0; d < 3; ++d)
          for (int e = 0; e < 3; ++e) {
            const int p = 3 * s + d, r = 3 * t + e;
            const int gp = 3 * slot_atom(c, s) + d, gr = 3 * slot_atom(c, t) + e;
            if (gr > gp) continue;
            h[packed_index(gp, gr)] += sign * gq[k] * d2[packed_index(p, r)];
          }
  }
}

void InternalFrame::subtract_gradient_term(const double* gq, double* h) const { gradient_term(gq, -1.0, h); }
void InternalFrame::add_gradient_term(const double* gq, double* h) const { gradient_term(gq, 1.0, h); }

void back_transform(int n_atoms, int count, const InternalCoordinate* set, const double* weights,
                    const double* target, double* xyz, int print) {
  const int m = 3 * n_atoms;
  PoolArray<double> r(std::max(count, 1)), dx(m);
  for (int it = 0; it < 64; ++it) {
    InternalFrame f(n_atoms, count, set, weights, xyz, InternalFrame::Solve::Iterative);
    for (int k = 0; k < count; ++k) r[k] = f.values()[k] - target[k];
    wrap_differences(count, set, r.data());
    const double rmax = vec_max_norm(count, r.data());
    f.displacement(r.data(), dx.data());
    double xmax = vec_max_norm(m, dx.data());
    if (xmax > 0.1) {
      vec_scale(m, 0.1 / xmax, dx.data());
      xmax = 0.1;
    }
    if (print) std::printf(" iter %3d: rmax = %12.10lf, xmax = %12.10lf\n", it, rmax, xmax);
    if (xmax <= 1e-10) break;
    vec_axpy(m, -1.0, dx.data(), xyz);
  }
}

void transport_hessian(const InternalFrame& from, const InternalFrame& to, const double* gq_from,
                       const double* gq_to, double* h) {
  const int m = 3 * from.atoms(), count = from.size();
  if (gq_from) from.subtract_gradient_term(gq_from, h);
  // P maps a displacement at the new geometry to the old one with the same internal
  // displacement: P = G_old^-1 B_old^T W B_new.
  PoolArray<double> p(std::int64_t{m} * m), unit(m), dq(std::max(count, 1)), hp(std::int64_t{m} * m);
  for (int c = 0; c < m; ++c) {
    vec_set(m, 0.0, unit.data());
    unit[c] = 1.0;
    to.to_internal(unit.data(), dq.data());
    from.displacement(dq.data(), p.data() + std::int64_t{c} * m);
  }
  for (int c = 0; c < m; ++c)
    matrix_times_vector(m, h, 0, p.data() + std::int64_t{c} * m, hp.data() + std::int64_t{c} * m, 1.0, 0.0);
  for (int a = 0; a < m; ++a)
    for (int c = 0; c <= a; ++c)
      h[packed_index(a, c)] = vec_dot(m, p.data() + std::int64_t{a} * m, hp.data() + std::int64_t{c} * m);
  // The next step takes off the term of the gradient it finds there; building it from the
  // gradient the model expects leaves only the model's own error in the curvature.
  to.add_gradient_term(gq_to, h);
}

}  // namespace ostrel
