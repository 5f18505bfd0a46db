#pragma once
// The grid walk shared by the exchange-correlation gradient passes: shell by shell, this
// node's points in blocks, with the functions of the shell's listed atoms evaluated densely.
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "scf/grid/grid_partition.hpp"
#include "scf/grid/grid_points.hpp"
#include "scf/numint/xc_gradient.hpp"

namespace ostrel {

inline constexpr int kXcBlock = 64;

struct XcBlock {
  int n;                    // points in the block
  const int* index;         // their numbers within the shell
  const double* points;     // the shell's points (3 each)
  const double* base;       // the shell's weights without the partition factor
  long first_point;         // the shell's first point in the grid's order
  int atom;                 // the atom carrying the shell
  const int* list;          // listed atoms
  int n_list;
  int self;                 // position of `atom` in the list
  int* local_first;         // n_list + 1: the block's functions of each listed atom
  const int* global_first;  // n_list: first basis function of each listed atom
  int* function;            // basis function of each of the block's functions
  int n_local;              // functions that reach at least one point of the block
  int n_comp;               // derivative components evaluated
  bool self_first_order;    // the carrying atom's functions only through first derivatives
  double* phi;              // component c, point p, local m: phi[(c * kXcBlock + p) * n_local + m]
  double* dlnp;             // 3 x n_list scratch for the partition derivative
  double* rho;              // n_list scratch
  double* grad_rho;         // 3 x n_list scratch
};

// Partition factor of point p of the block and, with dlnp, d ln P / dR of every listed atom
// (the carrying atom gets minus the others' sum: moving everything leaves P unchanged).
double xc_block_partition(const XcBlock& b, const GridPartition& part, int p, bool derivative);

struct XcWalkBuffers {
  XcWalkBuffers(int n_atoms, int n_functions, int n_comp);
  PoolArray<double> points, base;
  PoolArray<int> index, list, local_first, global_first, function;
  PoolArray<double> phi, dlnp, rho, grad_rho;
};

// The most functions the listed atoms of any shell of the grid carry: a bound on n_local.
int xc_local_bound(const XcGradientInput& in);

// Selects the functions of the listed atoms that reach a point of the block and evaluates
// them there through `order` (zero at the points beyond their extent).
void xc_block_eval(const ShellSet& set, const double* extent2, XcBlock& b, int order);

// This node's points of every shell, in blocks: on_block(block) for each.
template <class OnBlock>
void xc_gradient_walk(const XcGradientInput& in, int order, OnBlock on_block) {
  const Grid& grid = *in.grid;
  const ShellSet& set = *in.system.basis;
  const int n_comp = (order + 1) * (order + 2) * (order + 3) / 6;
  const int bound = xc_local_bound(in);
  GridScreen screen = grid_screen(set, grid.cutoff[in.k]);
  {
    XcWalkBuffers w(in.system.n_atoms, bound, n_comp);
    XcBlock b{};
    b.points = w.points.data();
    b.base = w.base.data();
    b.index = w.index.data();
    b.list = w.list.data();
    b.local_first = w.local_first.data();
    b.global_first = w.global_first.data();
    b.function = w.function.data();
    b.phi = w.phi.data();
    b.n_comp = n_comp;
    // With the grid carried by the atoms the carrying atom's term follows from the others'.
    b.self_first_order = in.weight_derivative;
    b.dlnp = w.dlnp.data();
    b.rho = w.rho.data();
    b.grad_rho = w.grad_rho.data();
    long first = 0;
    int shell = 0;
    for (int a = 0; a < grid.n_atoms; ++a) {
      for (int s = 0; s < grid.nrad[a]; ++s, ++shell) {
        const RadialPoint rp = radial_point(grid.nrad[a], s, grid.alpha[a]);
        const int n = shell_points(grid.orders[2 * shell + in.k], w.points.data(), w.base.data(),
                                   in.system.xyz + 3 * a, grid.orientation + 9 * a, rp.r, rp.w);
        if (n == 0) continue;
        b.first_point = first;
        first += n;
        b.atom = a;
        b.n_list = shell_neighbours(a, rp.r, in.system.n_atoms, in.system.xyz,
                                    screen.atom_extent2, w.list.data(), &b.self);
        for (int j = 0; j < b.n_list; ++j) {
          const int s0 = set.atom_first_shell[b.list[j]];
          w.global_first[j] = s0 < set.atom_first_shell[b.list[j] + 1] ? set.shells[s0].first_function : 0;
        }
        for (int i0 = node_id; i0 < n;) {
          int m = 0;
          for (; m < kXcBlock && i0 < n; ++m, i0 += node_count) w.index[m] = i0;
          b.n = m;
          xc_block_eval(set, screen.extent2, b, order);
          on_block(b);
        }
      }
    }
  }
  grid_screen_release(screen);
}

}  // namespace ostrel
