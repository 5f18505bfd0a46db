#pragma once
// The one walk of the exchange-correlation grid passes: the blocks of a grid are made once
// per pass, then each block gets the basis values through the derivative order asked and
// goes to the pass's kernels.
#include <cstdint>
#include <type_traits>

#include "scf/grid/grid_record.hpp"
#include "scf/grid/grid_walk.hpp"

namespace ostrel {

// Points per block: large enough for the matrix kernel to run near its peak, small enough
// that a block stays spatially compact.
inline constexpr int kXcBlockPoints = 64;

struct XcPlanBlock {
  int atom;   // atom carrying the block's radial shell
  int first;  // first point in the plan's arrays
  int n;      // points
  double r;   // radius of the shell
};

// This node's points of grid k (the shells' points dealt to the nodes in turn), shell by shell
// in spatially compact blocks. With stored weights, points of zero weight are left out; without,
// `weights` are the Lebedev x radial weights and the pass applies the partition. One pool block.
struct XcBlockPlan {
  int n_blocks;
  XcPlanBlock* blocks;
  double* points;   // 3 per point
  double* weights;  // 1 per point
  bool stored;
  void* block;
};
XcBlockPlan xc_block_plan(const Grid& grid, int k, const double* xyz, const double* weights);
void xc_block_plan_release(XcBlockPlan& plan);

// One block with the functions that reach it, grouped by the atoms that carry them.
struct XcBlock {
  int n;                  // points
  const double* points;   // 3 x n
  const double* weights;  // n
  int atom;               // atom carrying the block
  int n_list;             // atoms whose functions may reach the block
  const int* list;
  int self;               // list[self] == atom
  const int* list_first;  // n_list + 1: listed atom j owns functions list_first[j] ..
  int n_functions;
  const int* function;    // basis function numbers, ascending within each shell
  int n_comp;             // derivative components evaluated
  std::int64_t stride;    // n x n_functions
  // Component c of function m at point p: phi[c * stride + p * n_functions + m].
  const double* phi;
};

// Derivative order of the values handed over; with self_first_order the carrying atom's
// functions stop at first derivatives and their higher components are not set (a gradient
// with the grid carried by the atoms takes that atom's term from the others').
struct XcBlockOrder {
  int order;
  bool self_first_order;
};

using XcBlockVisit = void (*)(void* context, const XcBlock& block);
// Every block of the plan that some function of `system.basis` reaches, screened with
// `cutoff`, in plan order.
void xc_visit_blocks(const XcBlockPlan& plan, const GridSystem& system, double cutoff,
                     XcBlockOrder order, XcBlockVisit visit, void* context);

template <class Visit>
void xc_block_loop(const XcBlockPlan& plan, const GridSystem& system, double cutoff,
                   XcBlockOrder order, Visit&& visit) {
  using V = std::remove_reference_t<Visit>;
  xc_visit_blocks(
      plan, system, cutoff, order,
      [](void* c, const XcBlock& b) { (*static_cast<V*>(c))(b); }, &visit);
}

}  // namespace ostrel
