#pragma once
#include "scf/basis_eval.hpp"
#include "scf/grid_record.hpp"

namespace ostrel {

// What the grid passes need of the molecule and of a basis on its atoms.
struct GridSystem {
  int n_atoms;
  const double* xyz;     // 3 n, bohr
  const ShellSet* basis; // the functions that partition space (fitting basis, or the
                         // wavefunction basis for the orbital partition)
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
};
GridShellBuffers grid_shell_buffers(int n_atoms, int n_functions);
void grid_shell_buffers_release(GridShellBuffers& b);

// Sum over the evaluated functions of listed atom j of coef[function] x value (row 0 of the
// compact values), for every listed atom.
void grid_atom_densities(const GridShellBuffers& b, int n_list, const double* coef);

}  // namespace ostrel
