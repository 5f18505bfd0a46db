#pragma once
#include "scf/numint/basis_eval.hpp"
#include "scf/numint/run_monomials.hpp"

namespace ostrel {

// A density on a fitting basis, shell by shell as Cartesian polynomials: the shell's 2l+1
// solid harmonics contracted with their coefficients are one homogeneous polynomial of
// degree l, its x, y and z derivatives three of degree l-1. The grid construction evaluates
// the density and its gradient at millions of points; per shell this is a few dot products
// with the monomials of the point, shared by all shells on one centre.
struct FitPolynomials {
  int* offset;   // per shell: first coefficient (value, then d/dx, d/dy, d/dz polynomials)
  double* coef;  // monomials of each degree ordered as in cartesian_index
  void* block;
};
// One pool block; coef may be null (all zeros).
FitPolynomials fit_polynomials(const ShellSet& set, const double* coef);
void fit_polynomials_release(FitPolynomials& p);

// Work doubles that fit_run_sums needs for shells through angular momentum max_l.
inline constexpr int fit_run_work(int max_l) { return monomial_start(max_l + 1) * kRunPoints; }

// At n <= kRunPoints points (x, y, z each), from the candidate shells of a sphere (shell[m];
// radial[2m], when given and not NaN, the shared radial factor and its slope, as from
// grid_sphere_radial): sum_a[c * kRunPoints + i], c = value, x, y, z, the `a` density and its
// gradient; likewise sum_b for `b` when given. Primitives whose exponential is below 1e-43
// are left out, and so is a shell beyond its extent.
void fit_run_sums(const ShellSet& set, const double* extent2, const double* points, int n,
                  const int* shell, int n_candidates, const FitPolynomials& a, const FitPolynomials* b,
                  const double* radial, double* work, double* sum_a, double* sum_b);

}  // namespace ostrel
