#pragma once
#include <cstdint>

namespace ostrel {

// Derivative orders the evaluation kernels reach, and the number of values per function
// through order d: value; x, y, z; xx, xy, xz, yy, yz, zz; xxx, xxy, xxz, xyy, xyz, xzz, yyy,
// yyz, yzz, zzz (each order's multi-indices with the x power descending, then y).
inline constexpr int kBasisEvalMaxOrder = 3;
inline constexpr int basis_derivative_count(int order) {
  return (order + 1) * (order + 2) * (order + 3) / 6;
}
// Position of the derivative x^a y^b z^c in that list.
inline constexpr int basis_derivative_index(int a, int b, int c) {
  const int n = a + b + c;
  const int m = b + c;
  return basis_derivative_count(n - 1) + m * (m + 1) / 2 + c;
}

// One contracted shell of real solid-harmonic Gaussians:
// sum_k coef[k] r^l Y_s exp(-exponent[k] r^2), Y_s of unit mean square, s = 0..2l.
struct GaussianShell {
  int l;
  int n_primitives;
  int first_function;
  int atom;
  const double* exponent;
  const double* coef;
  const double* centre;
};

// The shells of one basis, grouped by atom: atom A owns shells
// atom_first_shell[A] .. atom_first_shell[A+1]-1.
struct ShellSet {
  int n_atoms;
  int n_shells;
  int n_functions;
  const GaussianShell* shells;
  const int* atom_first_shell;  // n_atoms + 1
};

// Values and Cartesian derivatives through `order` of the 2l+1 functions of a shell at the
// offset d = point - centre: out[k * stride + s], k < basis_derivative_count(order).
void shell_eval(const GaussianShell& shell, const double d[3], int order, double* out,
                int stride);

// The same at np points (x, y, z each): component c of function s at point i goes to
// out[c * stride + i * ld + s]. Points beyond `extent2` get zeros, and through second order
// primitives below exp(-50) are left out.
void shell_eval_points(const GaussianShell& shell, double extent2, const double* points, int np,
                       int order, double* out, int ld, std::int64_t stride);

// Squared radius beyond which every function of the shell stays below `threshold` in
// magnitude (0 when it never reaches it; infinite for a threshold of zero).
double shell_extent2(const GaussianShell& shell, double threshold);
// extent2[i] for every shell, and atom_extent2[A] the largest over the atom's shells.
void shell_set_extents(const ShellSet& set, double threshold, double* extent2,
                       double* atom_extent2);

// Evaluates every function of the listed atoms that reaches the point (squared distance
// from its centre within its extent): the m-th evaluated function is function[m], its
// values values[k * stride + m]; atom_end[j] (when given) is the count after listed atom j.
// Returns the number of functions evaluated; stride must be at least that count.
int basis_eval_point(const ShellSet& set, const double* extent2, const double point[3],
                     const int* atoms, int n_list, int order, int* function, double* values,
                     int stride, int* atom_end);

}  // namespace ostrel
