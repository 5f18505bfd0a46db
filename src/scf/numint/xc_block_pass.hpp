#pragma once
#include "scf/numint/basis_eval.hpp"
#include "scf/grid/grid_record.hpp"
#include "scf/xc/xc_functional.hpp"

namespace ostrel {

// Points per block of the exchange-correlation passes: large enough for the matrix kernel to
// run near its peak, small enough that a block stays spatially compact.
inline constexpr int kXcBlockPoints = 64;

// One block of this node's grid points with the basis functions that reach it.
struct XcPassBlock {
  int n_points;
  const double* points;   // 3 x n_points
  const double* weights;  // n_points (stored weights, partition included)
  int n_functions;        // functions that reach the block
  const int* function;    // their indices in the basis, ascending within each shell
  // Values (component 0) and gradients (1..3 when evaluated): component c of function m at
  // point p is phi[c * n_points * n_functions + p * n_functions + m].
  const double* phi;
};

// The grid in use by a pass, the same on every node: the "Grid" record, the stored weights of
// grid k (GRID_FINAL or GRID_COARSE) and the basis screening for that grid's cutoff.
struct XcPassGrid {
  Grid grid;
  int k;
  double small;   // density regularisation scale of grid k
  double* weights;
};

// Reads "grid_fine", "Grid" and "grid_W" (fine) or "grid_W1" (coarse) on the master and
// broadcasts them. Release with xc_pass_grid_release after every pool block taken later.
XcPassGrid xc_pass_grid();
void xc_pass_grid_release(XcPassGrid& g);

// Reads an int record on the master and broadcasts it.
int xc_broadcast_int(const char* name);
// The functional on every node.
XcFunctional xc_broadcast_functional();
// Reads n doubles of `name` from `offset` doubles on the master and broadcasts them.
void xc_broadcast_doubles(const char* name, double* data, long n, long offset = 0);

// Walks grid g.k in generation order, deals each shell's points to the nodes in turn, groups
// this node's points of non-zero weight into spatially compact blocks of at most
// kXcBlockPoints, and hands each block with the values (and with `gradients` also the
// gradients) of the functions of `basis` that reach it to visit(context, block).
void xc_walk_blocks(const XcPassGrid& g, const ShellSet& basis, const double* xyz,
                    int gradients, void (*visit)(void* context, const XcPassBlock& block),
                    void* context);

// The functional of the kernel pass when "d2loc" is set: Slater exchange alone.
XcFunctional xc_slater_only(const XcFunctional& f);

}  // namespace ostrel
