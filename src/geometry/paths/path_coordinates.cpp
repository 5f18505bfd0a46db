#include "geometry/paths/path_coordinates.hpp"

#include <cmath>

#include "geometry/coordinate_kernel.hpp"
#include "geometry/internal_frame.hpp"
#include "geometry/internal_generation.hpp"
#include "geometry/model_hessian.hpp"
#include "geometry/optimize_records.hpp"
#include "linalg/vector_ops.hpp"
#include "runtime/pool.hpp"

namespace ostrel {
namespace {

// Cosine of the angle a-b-c.
double angle_cosine(const double* x, int a, int b, int c) {
  double u[3], v[3];
  for (int d = 0; d < 3; ++d) u[d] = x[3 * a + d] - x[3 * b + d], v[d] = x[3 * c + d] - x[3 * b + d];
  return vec_dot(3, u, v) / std::sqrt(vec_dot(3, u, u) * vec_dot(3, v, v));
}

// A linear bend measures how far j-k-l leaves the line through k; where k is not between j and l
// (HCN's H-C-N in HNC) its components vanish as well and would hold every interpolated
// structure on the line.
bool describes_both(const InternalCoordinate& c, const double* a, const double* b) {
  if (c.type != 4 && c.type != 5) return true;
  return angle_cosine(a, c.j, c.k, c.l) < 0.0 && angle_cosine(b, c.j, c.k, c.l) < 0.0;
}

bool all_collinear(int n_atoms, const double* x) {
  for (int a = 2; a < n_atoms; ++a)
    if (!collinear(x, 0, 1, a, 1e-6)) return false;
  return true;
}

}  // namespace

int two_structure_coordinates(int n_atoms, const int* z, const double* a, const double* b, int nk,
                              InternalCoordinate* set) {
  if (nk > 0) {
    record_read(rec::Opt_K, set, nk + 1);
    return nk;
  }
  const int capacity = kPathCoordinatesPerAtom * n_atoms;
  PoolArray<InternalCoordinate> other(COORDINATES_PER_ATOM * std::int64_t{n_atoms});
  int count = generate_internal_coordinates(n_atoms, z, a, set, capacity);
  const int more = generate_internal_coordinates(n_atoms, z, b, other.data(), COORDINATES_PER_ATOM * n_atoms);
  for (int i = 0; i < more; ++i) {
    const InternalCoordinate& c = other[i];
    find_or_add_coordinate(set, &count, capacity, c.type, c.i, c.j, c.k, c.l);
  }
  int kept = 0;
  for (int i = 0; i < count; ++i)
    if (describes_both(set[i], a, b)) set[kept++] = set[i];
  count = kept;
  set[count] = InternalCoordinate{0, -1, -1, -1, -1};
  // The options reader keeps an empty "Opt.K" when none was given; the set is stored where
  // the store allows it.
  if (!record_exists(rec::Opt_K)) record_save(rec::Opt_K, set, count + 1);
  return count;
}

void interpolation_ends(int count, const InternalCoordinate* set, const double* a, const double* b, double* ra,
                        double* rb) {
  internal_values(count, set, a, ra, nullptr);
  internal_values(count, set, b, rb, nullptr);
  for (int i = 0; i < count; ++i) rb[i] -= ra[i];
  wrap_differences(count, set, rb);
  for (int i = 0; i < count; ++i) rb[i] += ra[i];
}

void interpolated_structure(int n_atoms, int count, const InternalCoordinate* set, const double* w,
                            const double* target, double* x) {
  if (n_atoms >= 3 && all_collinear(n_atoms, x)) {
    // Off the line by 0.01 bohr, atoms alternately to either side.
    double t[3], u[3] = {0, 0, 0};
    for (int d = 0; d < 3; ++d) t[d] = x[3 + d] - x[d];
    const double tn = std::sqrt(vec_dot(3, t, t));
    int low = 0;
    for (int d = 1; d < 3; ++d)
      if (std::fabs(t[d]) < std::fabs(t[low])) low = d;
    u[low] = 1.0;
    vec_axpy(3, -t[low] / (tn * tn), t, u);
    vec_scale(3, 0.01 / std::sqrt(vec_dot(3, u, u)), u);
    for (int a = 0; a < n_atoms; ++a) vec_axpy(3, a % 2 ? -1.0 : 1.0, u, x + 3 * a);
  }
  back_transform(n_atoms, count, set, w, target, x, 0);
}

}  // namespace ostrel
