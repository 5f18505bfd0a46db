#include "scf/grid/grid_record.hpp"

#include <cstring>

#include "runtime/fatal.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "runtime/records.hpp"

namespace ostrel {
namespace {

constexpr const char* kRecord = "Grid";

// The record holds fields of several types one after the other: each call continues where
// the previous one stopped.
template <class T>
void put(const T* data, std::int64_t count) {
  record_write_next(Record<T>{kRecord}, data, count);
}
template <class T>
void get(T* data, std::int64_t count) {
  record_read_next(Record<T>{kRecord}, data, count);
}

}  // namespace

std::int64_t grid_record_size(int n_atoms, int n_shells) {
  return 68 + std::int64_t{92} * n_atoms + std::int64_t{8} * n_shells;
}

Grid grid_allocate(int n_atoms, int n_shells) {
  if (n_atoms < 0 || n_shells < 0) fatal_error("\n %d: grid of %d atoms, %d shells\n", node_id, n_atoms, n_shells);
  Grid g{};
  g.n_atoms = n_atoms;
  g.n_shells = n_shells;
  const std::int64_t doubles = 10 * std::int64_t{n_atoms};
  const std::int64_t ints = 3 * std::int64_t{n_atoms} + 2 * std::int64_t{n_shells};
  char* block = static_cast<char*>(pool_alloc(8 * doubles + 4 * ints + 8));
  g.block = block;
  g.orientation = reinterpret_cast<double*>(block);
  g.alpha = g.orientation + 9 * n_atoms;
  int* ip = reinterpret_cast<int*>(g.alpha + n_atoms);
  g.nrad = ip;
  g.atom_points = g.nrad + n_atoms;
  g.orders = g.atom_points + 2 * n_atoms;
  std::memset(block, 0, 8 * doubles + 4 * ints);
  return g;
}

void grid_release(Grid& grid) {
  if (grid.block) pool_release(grid.block);
  grid.block = nullptr;
}

void grid_write(const Grid& g) {
  const std::int64_t size = grid_record_size(g.n_atoms, g.n_shells);
  const Record<char> record{kRecord};
  if (record_exists(record) && record_count(record) != size) record_free(record);
  record_ensure(record, size);
  record_write(Record<double>{kRecord}, g.accuracy, 2);
  put(g.cutoff, 2);
  put(g.small, 2);
  put(&g.use43, 1);
  put(&g.n_atoms, 1);
  put(&g.n_shells, 1);
  put(g.n_points, 2);
  put(g.nrad, g.n_atoms);
  put(g.orientation, 9 * std::int64_t{g.n_atoms});
  put(g.alpha, g.n_atoms);
  put(g.atom_points, 2 * std::int64_t{g.n_atoms});
  put(g.orders, 2 * std::int64_t{g.n_shells});
}

Grid grid_read(int broadcast) {
  double options[6] = {};
  int counts[5] = {};  // use43, atoms, shells, points final, points coarse
  if (is_master) {
    record_read(Record<double>{kRecord}, options, 6);
    get(counts, 5);
  }
  if (broadcast) {
    mp_bcast(options, 6, MP_DOUBLE);
    mp_bcast(counts, 5, MP_INT);
  }
  Grid g = grid_allocate(counts[1], counts[2]);
  std::memcpy(g.accuracy, options, 16);
  std::memcpy(g.cutoff, options + 2, 16);
  std::memcpy(g.small, options + 4, 16);
  g.use43 = counts[0];
  g.n_points[0] = counts[3];
  g.n_points[1] = counts[4];
  const int n = g.n_atoms;
  if (is_master) {
    get(g.nrad, n);
    get(g.orientation, 9 * std::int64_t{n});
    get(g.alpha, n);
    get(g.atom_points, 2 * std::int64_t{n});
    get(g.orders, 2 * std::int64_t{g.n_shells});
  }
  if (broadcast) {
    mp_bcast(g.nrad, n, MP_INT);
    mp_bcast(g.orientation, 9 * std::int64_t{n}, MP_DOUBLE);
    mp_bcast(g.alpha, n, MP_DOUBLE);
    mp_bcast(g.atom_points, 2 * std::int64_t{n}, MP_INT);
    mp_bcast(g.orders, 2 * std::int64_t{g.n_shells}, MP_INT);
  }
  return g;
}

void grid_count_points(Grid& g) {
  g.n_points[0] = g.n_points[1] = 0;
  int s = 0;
  for (int a = 0; a < g.n_atoms; ++a) {
    int total[2] = {0, 0};
    for (int i = 0; i < g.nrad[a]; ++i, ++s)
      for (int k = 0; k < 2; ++k) total[k] += g.orders[2 * s + k];
    for (int k = 0; k < 2; ++k) {
      g.atom_points[2 * a + k] = total[k];
      g.n_points[k] += total[k];
    }
  }
}

}  // namespace ostrel
