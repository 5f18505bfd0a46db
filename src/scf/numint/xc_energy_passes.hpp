#pragma once
// The exchange-correlation grid passes of the SCF over their inputs in memory; each node
// works on its own blocks and returns its share (the store wrappers sum the shares).
#include "scf/grid/grid_walk.hpp"
#include "scf/numint/xc_block_loop.hpp"
#include "scf/xc/xc_functional.hpp"

namespace ostrel {

struct XcPassInput {
  const XcBlockPlan* plan;
  GridSystem system;  // atoms and the basis the densities are expanded in
  const XcFunctional* functional;
  double cutoff;      // basis value threshold of the grid
  double small;       // density regularisation scale of the grid
  int spins;          // 1: closed shell (beta = alpha), 2: open
};

struct XcEnergies {
  double ex, ec;
};

// Orbital density from the packed density matrices density[s]: adds the exchange-correlation
// matrices (packed) to matrix[s].
XcEnergies xc_orbital_terms(const XcPassInput& in, const double* const density[2],
                            double* const matrix[2]);

// Fitted density from the fit coefficients coef[s]: adds the potential projected onto the
// fitting functions to potential[s].
XcEnergies xc_fitted_terms(const XcPassInput& in, const double* const coef[2],
                           double* const potential[2]);

// The weighted second derivatives of the functional at every point of a plan, in plan order,
// xc_kernel_values(spins) per point: kept between kernel passes over the same ground state.
// A closed shell's singlet kernel is one symmetric 4 x 4 block.
inline constexpr int xc_kernel_values(int spins) { return spins == 1 ? 10 : 36; }
struct XcKernelCache {
  double* d2;   // plan points x xc_kernel_values(spins)
  bool filled;  // d2 holds them (else the pass fills it)
};
std::int64_t xc_plan_points(const XcBlockPlan& plan);

// First-order potentials of n perturbed fitted densities coef1[s] + k nfit (k < n) through
// the second derivatives of the functional at the ground state coef[s], projected onto the
// fitting functions: added to response[s] + k nfit. With a filled cache the ground state is
// not evaluated again.
void xc_kernel_terms(const XcPassInput& in, const double* const coef[2], int n,
                     const double* const coef1[2], double* const response[2],
                     XcKernelCache* cache = nullptr);

// The functional of the kernel when only the local exchange enters it (and of the grid
// construction with its Slater option): Slater exchange alone.
XcFunctional xc_slater_only(const XcFunctional& f);

}  // namespace ostrel
