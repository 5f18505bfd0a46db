#pragma once
// The grid walk shared by the exchange-correlation gradient passes: shell by shell, this
// node's points in blocks, with the functions of the shell's listed atoms evaluated densely.
#include "runtime/node.hpp"
#include "runtime/pool.hpp"
#include "scf/grid_partition.hpp"
#include "scf/grid_points.hpp"
#include "scf/xc_gradient.hpp"

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
  const int* local_first;   // n_list + 1: local functions of each listed atom
  const int* global_first;  // n_list: first basis function of each listed atom
  int n_local;
  int n_comp;               // derivative components evaluated
  double* phi;              // component c, point p, local m: phi[(c * kXcBlock + p) * n_local + m]
  double* dlnp;             // 3 x n_list scratch for the partition derivative
  double* rho;              // n_list scratch
  double* grad_rho;         // 3 x n_list scratch
};

// Partition factor of point p of the block and, with dlnp, d ln P / dR of every listed atom
// (the carrying atom gets minus the others' sum: moving everything leaves P unchanged).
double xc_block_partition(const XcBlock& b, const GridPartition& part, int p, bool derivative);

// Points of shell `s` of atom a are walked; `on_shell(block)` runs once per shell before its
// blocks (block.n = 0), `on_block(block)` for each block of this node's points.
struct XcWalkBuffers {
  XcWalkBuffers(int n_atoms, int n_functions, int n_comp);
  PoolArray<double> points, base;
  PoolArray<int> index, list, local_first, global_first;
  PoolArray<double> phi, dlnp, rho, grad_rho;
};

// Fills the local function tables of the listed atoms; returns n_local.
int xc_local_functions(const ShellSet& set, const int* list, int n_list, int* local_first,
                       int* global_first);

// Evaluates the functions of the listed atoms at the block's points through `order`.
void xc_block_eval(const ShellSet& set, const double* extent2, XcBlock& b, int order);

template <class OnShell, class OnBlock>
void xc_gradient_walk(const XcGradientInput& in, int order, OnShell on_shell, OnBlock on_block) {
  const Grid& grid = *in.grid;
  const ShellSet& set = *in.system.basis;
  const int n_comp = (order + 1) * (order + 2) * (order + 3) / 6;
  GridScreen screen = grid_screen(set, grid.cutoff[in.k]);
  {
    XcWalkBuffers w(in.system.n_atoms, set.n_functions, n_comp);
    XcBlock b{};
    b.points = w.points.data();
    b.base = w.base.data();
    b.index = w.index.data();
    b.list = w.list.data();
    b.local_first = w.local_first.data();
    b.global_first = w.global_first.data();
    b.phi = w.phi.data();
    b.n_comp = n_comp;
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
        b.n_local = xc_local_functions(set, b.list, b.n_list, w.local_first.data(),
                                       w.global_first.data());
        b.n = 0;
        on_shell(b);
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
