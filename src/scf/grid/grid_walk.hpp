#pragma once
#include "scf/numint/basis_eval.hpp"
#include "scf/grid/cell_partition.hpp"
#include "scf/grid/grid_record.hpp"

namespace ostrel {

// What the grid passes need of the molecule and of a basis on its atoms.
struct GridSystem {
  int n_atoms;
  const double* xyz;     // 3 n, bohr
  const ShellSet* basis; // the functions the pass evaluates
  const CellPartition* cells = nullptr;  // the atoms' shares of space (passes that form weights)
};

// Extents of the basis functions for one value threshold; the arrays come from the pool
// (released with grid_screen_release, in reverse order of other pool blocks).
struct GridScreen {
  double* extent2;       // per shell
  double* atom_extent2;  // per atom
};
GridScreen grid_screen(const ShellSet& basis, double threshold);
void grid_screen_release(GridScreen& screen);

// Work arrays for the points of one shell and the basis shells that reach its sphere.
struct GridShellBuffers {
  double* points;   // 3 x kGridMaxShellPoints
  double* weights;  // kGridMaxShellPoints
  int* list;        // atoms
  int* candidate;   // basis shells: grid_sphere_shells output
  double* radial;   // 2 per basis shell: grid_sphere_radial output
};
GridShellBuffers grid_shell_buffers(int n_atoms, int n_shells);
void grid_shell_buffers_release(GridShellBuffers& b);

// The basis shells of the listed atoms that can reach a sphere of radius r around `centre`,
// in list order. Returns their number; `shell` needs room for every shell of the set.
int grid_sphere_shells(const ShellSet& set, const double* extent2, const double centre[3],
                       double r, const int* atoms, int n_list, int* shell);

// Every point of a sphere of radius r around `atom` lies at that distance from the atom's own
// functions: their radial factors (value, then derivative with respect to r^2, times 2), once
// per sphere, for the candidates on the atom (zeros beyond their extent); NaN for the others.
// `radial` holds 2 per candidate and goes to fit_run_sums.
void grid_sphere_radial(const ShellSet& set, const double* extent2, const int* shell, int n_candidates,
                        int atom, double r, double* radial);

}  // namespace ostrel
