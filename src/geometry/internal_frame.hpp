#pragma once
// Redundant internal coordinates at one geometry: values, B rows, weights and the weighted
// transforms between cartesian and internal quantities.
#include <cstdint>

#include "model/internal_coordinate.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

// With W the coordinate weights and T the translation-rotation vectors, G = B^T W B + T T^T
// is regular; G^-1 gives the weighted least-squares transforms. A frame that serves many
// transforms (whole matrices) forms G^-1 once through the eigen-decomposition; a frame for a
// few vectors (`Solve::Iterative`, the back-transformation) never forms G and solves by
// conjugate gradients with matrix-free products. Pool-backed: frames are released in
// reverse order of creation.
class InternalFrame {
 public:
  enum class Solve { Inverse, Iterative };
  InternalFrame(int n_atoms, int count, const InternalCoordinate* set, const double* weights,
                const double* xyz, Solve solve = Solve::Inverse);

  int atoms() const { return n_; }
  int size() const { return count_; }
  const InternalCoordinate* set() const { return set_; }
  const double* values() const { return q_.data(); }
  const double* b() const { return b_.data(); }
  const double* weights() const { return w_; }
  const double* xyz() const { return x_.data(); }

  // dq = B P dx and dx = P B^T dq, P the projector off translations and rotations: a
  // coordinate whose frame is fixed in space (the linear bends of an isolated linear
  // molecule) must not see the molecule turn.
  void to_internal(const double* dx, double* dq) const;
  void transpose(const double* dq, double* dx) const;
  // Cartesian displacement for an internal one: dx = G^-1 B^T W dq.
  void displacement(const double* dq, double* dx) const;
  // Internal gradient for a cartesian one: g_q = W B G^-1 g_x.
  void internal_gradient(const double* gx, double* gq) const;
  // Subtracts sum_k g_k d2q_k/dx2 from the packed cartesian matrix h.
  void subtract_gradient_term(const double* gq, double* h) const;
  // Adds sum_k g_k d2q_k/dx2.
  void add_gradient_term(const double* gq, double* h) const;

 private:
  void gradient_term(const double* gq, double sign, double* h) const;
  void project(double* dx) const;
  // y = G^-1 b.
  void solve(const double* b, double* y) const;
  void conjugate_gradients(const double* b, double* y) const;

  int n_, count_, nt_;
  Solve mode_;
  const InternalCoordinate* set_;
  const double* w_;
  PoolArray<double> x_, q_, b_, ginv_, t_;
};

// Moves xyz (3N, in place) until the coordinates reach target (weighted least squares, at
// most 64 iterations of at most 0.1 bohr each); prints the iterations when `print` is set.
void back_transform(int n_atoms, int count, const InternalCoordinate* set, const double* weights,
                    const double* target, double* xyz, int print);

// Carries the packed cartesian Hessian model h from frame `from` to the geometry of frame
// `to`: the internal curvature stays, and the gradient term is rebuilt with the second
// derivatives at `to` and the internal gradient `gq_to` expected there. `gq_from` is the
// gradient term h holds now (nullptr: none, as a model Hessian before the first step).
void transport_hessian(const InternalFrame& from, const InternalFrame& to, const double* gq_from,
                       const double* gq_to, double* h);

}  // namespace ostrel
