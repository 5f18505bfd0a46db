#include "geometry/model_hessian.hpp"

#include <algorithm>
#include <cmath>

#include "geometry/coordinate_kernel.hpp"
#include "linalg/vector_ops.hpp"
#include "model/molecule_record.hpp"

namespace ostrel {
namespace {

constexpr double kCutoff = 10.0;  // bohr

// Radii in angstrom (divided by 0.529 on use) and stretching stiffness, Z = 1..56.
constexpr double kRadius[57] = {
    0,    0.75, 1.0,  2.75, 2.14, 1.62, 1.53, 1.45, 1.47, 1.42, 2.6,  3.09, 2.91, 2.6, 2.35,
    2.25, 2.09, 2.04, 2.73, 4.0,  3.85, 2.6,  2.45, 2.52, 2.74, 2.27, 2.01, 1.99, 2.11, 2.25,
    2.44, 2.46, 2.44, 2.5,  2.37, 2.33, 2.82, 4.33, 4.28, 2.94, 2.67, 2.69, 2.97, 2.43, 2.27,
    2.34, 2.54, 2.66, 2.8,  2.85, 2.84, 2.9,  2.76, 2.73, 3.09, 4.7,  4.5};
constexpr double kStiffness[57] = {
    0,     0.355, 0.1,   0.015, 0.07,  0.201, 0.278, 0.32,  0.286, 0.36,  0.004, 0.01,
    0.03,  0.059, 0.102, 0.115, 0.16,  0.186, 0.021, 0.006, 0.015, 0.038, 0.053, 0.06,
    0.039, 0.1,   0.177, 0.172, 0.118, 0.08,  0.063, 0.07,  0.093, 0.089, 0.126, 0.148,
    0.033, 0.005, 0.011, 0.051, 0.088, 0.076, 0.041, 0.113, 0.175, 0.118, 0.071, 0.051,
    0.05,  0.054, 0.069, 0.066, 0.095, 0.107, 0.041, 0.005, 0.01};

double radius(int z) {
  double a = 0.0;
  if (z >= 1 && z <= 56) a = kRadius[z];
  else if (z == 87) a = 4.7;
  else if (z == 88) a = 4.5;
  else if (z >= 57 && z <= 105) a = 3.0;
  return a / 0.529;
}

double stiffness(int z) {
  if (z >= 1 && z <= 56) return kStiffness[z];
  return z >= 57 && z <= 105 ? 0.1 : 0.0;
}

// (R_ab / r)^5.64 with the pair radius R_ab.
double decay(const int* z, const double* xyz, int a, int b) {
  const double ra = radius(z[a]), rb = radius(z[b]);
  const double pair = 0.5 * (ra + rb - 0.25 * (ra - rb) * (ra - rb) / (ra + rb));
  return std::pow(pair / atom_distance(xyz, a, b), 5.64);
}

double stretch_constant(const int* z, const double* xyz, int a, int b) {
  return std::sqrt(stiffness(z[a]) * stiffness(z[b])) * decay(z, xyz, a, b);
}

// Adds f b b^T of one coordinate to the packed cartesian matrix.
void add_term(const InternalCoordinate& c, const double* b, double f, double* h) {
  const int a[4] = {c.i, c.j, c.k, c.l};
  const int used = coordinate_atoms(c.type);
  for (int s = 0; s < used; ++s)
    for (int t = 0; t < used; ++t)
      for (int d = 0; d < 3; ++d)
        for (int e = 0; e < 3; ++e) {
          const int p = 3 * a[s] + d, q = 3 * a[t] + e;
          if (q > p) continue;
          // Diagonal atom blocks of a repeated atom meet here twice; B holds it once.
          h[packed_index(p, q)] += f * b[3 * s + d] * b[3 * t + e];
        }
}

void add_coordinate(const InternalCoordinate& c, const int* z, const double* xyz, double* h) {
  double b[B_ROW];
  coordinate_value(c, xyz, b, nullptr);
  add_term(c, b, model_force_constant(c, z, xyz), h);
}

}  // namespace

bool collinear(const double* xyz, int a, int b, int c, double t) {
  double u[3], v[3];
  for (int d = 0; d < 3; ++d) {
    u[d] = xyz[3 * b + d] - xyz[3 * a + d];
    v[d] = xyz[3 * c + d] - xyz[3 * b + d];
  }
  const double uv = u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
  const double uu = u[0] * u[0] + u[1] * u[1] + u[2] * u[2];
  const double vv = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
  return 1.0 - uv * uv / (uu * vv) < t * t;
}

double model_force_constant(const InternalCoordinate& c, const int* z, const double* xyz) {
  double f = 0.0;
  switch (c.type) {
    case 1: f = stretch_constant(z, xyz, c.i, c.j); break;
    case 2: f = 0.1 * decay(z, xyz, c.i, c.j) * decay(z, xyz, c.j, c.k); break;
    case 3: {
      // An out-of-plane torsion (d, b, a, c) has its last atom bonded to the second, so its
      // third pair is b-c instead of the chain's a-c: the closer (bonded) pair is taken.
      const double last = std::max(decay(z, xyz, c.k, c.l), decay(z, xyz, c.j, c.l));
      f = 0.025 * decay(z, xyz, c.i, c.j) * decay(z, xyz, c.j, c.k) * last;
      break;
    }
    case 4:
    case 5: f = 0.1 * stretch_constant(z, xyz, c.k, c.l); break;
    default: break;
  }
  return std::max(f, 0.001);
}

void build_model_hessian(int count, const InternalCoordinate* set, const double* b,
                         const int* z, const double* xyz, int n_atoms, double* h) {
  vec_set(packed_size(3 * n_atoms), 0.0, h);
  for (int k = 0; k < count; ++k) add_term(set[k], b + B_ROW * k, model_force_constant(set[k], z, xyz), h);
}

void cartesian_model_hessian(int n_atoms, const int* z, const double* xyz, double* h) {
  const int n = n_atoms;
  vec_set(packed_size(3 * n), 0.0, h);
  add_to_diagonal(3 * n, h, 1, 0.001);
  auto near = [&](int a, int b) { return a != b && atom_distance(xyz, a, b) <= kCutoff; };
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < a; ++b)
      if (near(a, b)) add_coordinate({1, a, b, -1, -1}, z, xyz, h);
  for (int b = 0; b < n; ++b)
    for (int a = 0; a < n; ++a)
      for (int c = 0; c < a; ++c) {
        if (!near(a, b) || !near(b, c) || a == c) continue;
        if (!collinear(xyz, a, b, c, 0.1)) {
          add_coordinate({2, a, b, c, -1}, z, xyz, h);
        } else {
          add_coordinate({4, a, a, b, c}, z, xyz, h);
          add_coordinate({5, a, a, b, c}, z, xyz, h);
        }
      }
  for (int b = 0; b < n; ++b)
    for (int c = 0; c < b; ++c) {
      if (!near(b, c)) continue;
      for (int a = 0; a < n; ++a) {
        if (a == c || !near(a, b) || collinear(xyz, a, b, c, 0.1)) continue;
        for (int d = 0; d < n; ++d) {
          if (d == a || d == b || !near(c, d) || collinear(xyz, b, c, d, 0.1)) continue;
          add_coordinate({3, a, b, c, d}, z, xyz, h);
        }
      }
    }
  // Out-of-plane: centre b bonded (within the cut-off) to a, c and d.
  for (int b = 0; b < n; ++b)
    for (int a = 0; a < n; ++a)
      for (int c = 0; c < n; ++c)
        for (int d = c + 1; d < n; ++d) {
          if (a == c || a == d || !near(a, b) || !near(b, c) || !near(b, d)) continue;
          if (collinear(xyz, c, b, a, 0.1) || collinear(xyz, d, b, a, 0.1)) continue;
          add_coordinate({3, d, b, a, c}, z, xyz, h);
        }
}

}  // namespace ostrel
