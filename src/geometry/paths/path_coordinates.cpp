#include "geometry/paths/path_coordinates.hpp"

#include "geometry/coordinate_kernel.hpp"
#include "geometry/internal_generation.hpp"
#include "geometry/optimize_records.hpp"
#include "runtime/pool.hpp"

namespace ostrel {

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

}  // namespace ostrel
