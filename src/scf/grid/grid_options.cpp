#include "scf/grid/grid_options.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "input/group.hpp"
#include "model/molecule_record.hpp"
#include "runtime/node.hpp"
#include "runtime/records.hpp"
#include "runtime/store.hpp"
#include "scf/grid/grid_record.hpp"

namespace ostrel {
namespace {

int default_nradial(int z) {
  if (z <= 2) return 30;
  if (z <= 10) return 40;
  if (z <= 18) return 60;
  if (z <= 36) return 80;
  if (z <= 54) return 110;
  if (z <= 86) return 150;
  return 200;
}

double default_size(int z) {
  switch (z) {
    case 3: case 4: case 11: case 12: case 19: case 20:
    case 37: case 38: case 55: case 56: case 87: case 88:
      return 7.0;
    default:
      return 5.0;
  }
}

template <class T>
void put_record(const char* name, const T* data, int count) {
  record_save(Record<T>{name}, data, count);
}

// Creates a weight record with room for every shell at the largest rule.
void create_weights(const char* name, std::int64_t points) {
  if (store_exists(name)) return;
  record_alloc(Record<double>{name}, points);
}

// The radial error of a partitioned integrand falls as the cube of the shell count; below the
// default accuracy the built-in counts grow so that it follows the accuracy.
int scaled_nradial(int z, double accuracy) {
  const double factor = accuracy < 1e-8 ? std::cbrt(1e-8 / accuracy) : 1.0;
  return static_cast<int>(std::lround(default_nradial(std::max(z, 1)) * factor));
}

constexpr int kNotGiven = std::numeric_limits<int>::min();

int element_index(int z) { return z < 1 ? 1 : std::min(z, kGridElements - 1); }

int radial_shells(const GridOptions& o, const Molecule& mol) {
  int n_shells = 0;
  for (int a = 0; a < mol.n_atoms; ++a) n_shells += o.nradial[element_index(mol.z[a])];
  return n_shells;
}

}  // namespace

GridOptions grid_default_options() {
  GridOptions o{};
  for (int z = 0; z < kGridElements; ++z) {
    o.nradial[z] = default_nradial(std::max(z, 1));
    o.size[z] = default_size(z);
  }
  o.accuracy[0] = 1e-8;
  o.accuracy[1] = -1.0;
  o.cutoff[0] = o.cutoff[1] = -1.0;
  o.small[0] = o.small[1] = -1.0;
  o.use43 = 0;
  o.spare = 1;
  return o;
}

void grid_apply_defaults(GridOptions& o) {
  if (o.accuracy[0] <= 1e-10) o.accuracy[0] = 1e-10;
  if (o.accuracy[1] < 0.0) o.accuracy[1] = std::max(std::min(100.0 * o.accuracy[0], 1e-3), 1e-5);
  o.cutoff[0] = o.cutoff[0] >= 0.0 ? std::max(o.cutoff[0], 1e-12) : 0.01 * o.accuracy[0];
  o.cutoff[1] = o.cutoff[1] >= 0.0 ? std::max(o.cutoff[1], 1e-7) : 0.01 * o.accuracy[1];
  // The regularisation bends densities below about 36 x small; at 1e-7 that moves a diffuse
  // atom's energy by 1e-6, so a tighter accuracy brings the scale down with it.
  for (int k = 0; k < 2; ++k)
    if (o.small[k] < 0.0) o.small[k] = std::min(1e-7, 10.0 * o.accuracy[k]);
}

GridOptions grid_read_options(std::FILE* input) {
  GridOptions o = grid_default_options();
  // One spare slot past Z = 105 takes a full 106-value list without overrunning the table.
  int nradial[kGridElements + 1];
  double size[kGridElements + 1];
  std::fill(nradial, nradial + kGridElements, kNotGiven);
  std::copy(o.size, o.size + kGridElements, size);
  nradial[kGridElements] = 0;
  size[kGridElements] = 0.0;
  const InputVar vars[] = {
      {"nradial", IN_INT, kGridElements, nradial + 1},
      {"size", IN_REAL, kGridElements, size + 1},
      {"accuracy", IN_REAL, 2, o.accuracy},
      {"cutoff", IN_REAL, 2, o.cutoff},
      {"small", IN_REAL, 2, o.small},
      {"use43", IN_INT, 1, &o.use43},
      {"spare", IN_INT, 1, &o.spare},
  };
  read_group(input, "grid", 7, vars);
  std::copy(size, size + kGridElements, o.size);
  grid_apply_defaults(o);
  // A shell count below one would leave an atom without a grid.
  for (int z = 0; z < kGridElements; ++z)
    o.nradial[z] = nradial[z] == kNotGiven ? scaled_nradial(z, o.accuracy[0]) : std::max(nradial[z], 1);
  return o;
}

void grid_print_options(const GridOptions& o) {
  std::printf("\n grid: accuracy=%7.1e,%7.1e, cut=%7.1e,%7.1e\n", o.accuracy[0], o.accuracy[1],
              o.cutoff[0], o.cutoff[1]);
}

void grid_setup_options(std::FILE* input) {
  if (!is_master) return;
  const GridOptions o = grid_read_options(input);
  grid_print_options(o);

  Molecule mol = load_molecule(0, "Molecule");
  const int n_shells = radial_shells(o, mol);
  Grid g = grid_allocate(mol.n_atoms, n_shells);
  std::copy(o.accuracy, o.accuracy + 2, g.accuracy);
  std::copy(o.cutoff, o.cutoff + 2, g.cutoff);
  std::copy(o.small, o.small + 2, g.small);
  g.use43 = o.use43;
  for (int a = 0; a < mol.n_atoms; ++a) {
    const int z = element_index(mol.z[a]);
    g.nrad[a] = o.nradial[z];
    g.alpha[a] = o.size[z];
  }
  for (int s = 0; s < n_shells; ++s) {
    g.orders[2 * s + GRID_FINAL] = 1202;
    g.orders[2 * s + GRID_COARSE] = 302;
  }
  grid_count_points(g);

  int nrad_table[kGridElements];
  std::copy(o.nradial, o.nradial + kGridElements, nrad_table);
  nrad_table[0] = 0;
  const int fine = 1;
  put_record("grid.Nrad", nrad_table, kGridElements);
  put_record("Ngrid", g.n_points, 2);
  put_record("grid_accuracy", o.accuracy, 2);
  put_record("grid_spare", &o.spare, 1);
  put_record("grid_fine", &fine, 1);
  grid_write(g);
  const std::int64_t largest = std::int64_t{kGridMaxShellPoints} * n_shells;
  create_weights("grid_W", largest);
  create_weights("grid_W1", largest);
  grid_release(g);
  release_molecule(mol);
}

std::int64_t grid_weight_bytes(std::FILE* input) {
  if (!is_master) return 0;
  const GridOptions o = grid_read_options(input);
  Molecule mol = load_molecule(0, "Molecule");
  const std::int64_t n_shells = radial_shells(o, mol);
  release_molecule(mol);
  return 2 * 8 * std::int64_t{kGridMaxShellPoints} * n_shells;
}

void grid_setup_options() { grid_setup_options(stdin); }

}  // namespace ostrel
