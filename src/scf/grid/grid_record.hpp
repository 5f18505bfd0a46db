#pragma once
#include <cstdint>

namespace ostrel {

// Index of the final and of the coarse grid in the paired fields.
inline constexpr int GRID_FINAL = 0;
inline constexpr int GRID_COARSE = 1;

// The "Grid" record: options, one atom-centred grid per atom, and the Lebedev order of every
// radial shell for both grids. The arrays live in one pool block (`block`).
struct Grid {
  double accuracy[2];  // final, coarse
  double cutoff[2];    // fitting-function value thresholds, final and coarse
  double small[2];     // density regularisation scales
  int use43;
  int n_atoms;
  int n_shells;        // over all atoms
  int n_points[2];     // final, coarse
  int* nrad;           // n_atoms
  double* orientation; // n_atoms x 9, column-major 3 x 3 each
  double* alpha;       // n_atoms radial scales
  int* atom_points;    // n_atoms x 2 (final, coarse)
  int* orders;         // n_shells x 2 (final, coarse), atoms in order, shells outward
  void* block;

  // First shell of atom a in `orders` (a linear walk: atoms are few).
  int first_shell(int a) const {
    int s = 0;
    for (int i = 0; i < a; ++i) s += nrad[i];
    return s;
  }
};

// Bytes of the record: 68 + 92 x atoms + 8 x shells.
std::int64_t grid_record_size(int n_atoms, int n_shells);

// Takes the arrays of a grid with the given header counts from the pool.
Grid grid_allocate(int n_atoms, int n_shells);
void grid_release(Grid& grid);

// Stores the record "Grid" field by field (master), allocating it at its exact size.
void grid_write(const Grid& grid);
// Loads "Grid" on the master; with `broadcast` every field goes to all nodes.
Grid grid_read(int broadcast);

// Sums the shell orders into the per-atom totals and the grid totals.
void grid_count_points(Grid& grid);

// Shells of an atom may use a rule of at most this many points.
inline constexpr int kGridMaxShellPoints = 5810;

}  // namespace ostrel
