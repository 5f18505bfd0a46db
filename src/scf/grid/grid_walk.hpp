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

// Work arrays for the points of one shell and the functions that reach one point.
struct GridShellBuffers {
  double* points;   // 3 x kGridMaxShellPoints
  double* weights;  // kGridMaxShellPoints
  int* list;        // atoms
  int* atom_end;    // atoms
  double* rho;      // atoms
  int* function;    // basis functions
  double* values;   // 4 x functions (values and gradients)
  int stride;       // = functions
  const unsigned char* skip = nullptr;  // per basis shell, as in grid_point_sums (optional)
  int* candidate = nullptr;             // per basis shell: grid_sphere_shells output
  int* candidate_slot = nullptr;
  double* radial = nullptr;             // 2 per candidate: grid_sphere_radial output (optional)
};
GridShellBuffers grid_shell_buffers(int n_atoms, int n_functions);
void grid_shell_buffers_release(GridShellBuffers& b);

// Sum over the evaluated functions of listed atom j of coef[function] x value (row 0 of the
// compact values), for every listed atom.
void grid_atom_densities(const GridShellBuffers& b, int n_list, const double* coef);

// The basis shells of the listed atoms that can reach a sphere of radius r around `centre`
// (skip[shell] == 1 leaves a shell out): shell[c] and its slot in the atom list slot[c], in
// list order. Returns their number; both arrays need room for every shell of the set.
int grid_sphere_shells(const ShellSet& set, const double* extent2, const double centre[3],
                       double r, const int* atoms, int n_list, const unsigned char* skip,
                       int* shell, int* slot);

// Values only, without storing them: for every listed atom j, rho[j] = sum over its functions
// reaching the point of atomic_d x value; *sum_a and *sum_b (when da, db are given) the same
// sums of da and db. Only the candidate shells (from grid_sphere_shells) are looked at;
// shells with skip[shell] == 2 enter only the sums of da and db (no atomic_d coefficients).
void grid_point_sums(const ShellSet& set, const double* extent2, const double point[3],
                     const int* shell, const int* slot, int n_candidates, int n_list,
                     const double* atomic_d, const double* da, const double* db,
                     const unsigned char* skip, double* rho, double* sum_a, double* sum_b,
                     const double* radial = nullptr);

// Every point of a sphere of radius r around `atom` lies at that distance from the atom's own
// functions: their radial factors (value, then derivative with respect to r^2, times 2), once
// per sphere, for the candidates on the atom (zeros beyond their extent); NaN for the others.
// `radial` holds 2 per candidate and goes to the point sums above.
void grid_sphere_radial(const ShellSet& set, const double* extent2, const int* shell, int n_candidates,
                        int atom, double r, double* radial);

}  // namespace ostrel
