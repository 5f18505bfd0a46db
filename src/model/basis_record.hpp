#pragma once
#include <cstdint>

#include "model/molecule_record.hpp"

namespace ostrel {

// Capacities of the basis reader.
inline constexpr int MAX_KIND_SHELLS = 512;
inline constexpr int MAX_PRIMITIVES = 64;
inline constexpr int MAX_BASIS_L = 9;
inline constexpr double SPEED_OF_LIGHT = 137.0359895;
// ln(1/1e-14): a shell's squared extent is this over its smallest exponent.
inline constexpr double kExtentLog = 32.236191301916641;

// One contracted shell. In the `Basis` shell table only the primitives with a non-zero
// set-1 coefficient are listed (ascending exponents) with sets 1 and 2; the functions are
// sum_k coef[0][k] r^l Y exp(-exponent[k] r^2) with Y of unit mean square.
struct ShellSlot {
  int l;
  int n_primitives;
  int first_function;
  int atom;
  double exponent[MAX_PRIMITIVES];
  double coef[4][MAX_PRIMITIVES];  // ordinary/large, small, second large, second small
  double extent2;                  // squared extent ln(1/1e-14)/smallest exponent
  const double* position;          // the atom's coordinates (set by load_basis)
  int next_function;               // first function after the shell
  int reserved;
};

// View of a kind record (the data of one (element, set) pair, copied per atom).
struct BasisKind {
  int size_bytes, relativistic, lmax, n_exponents, n_shells, n_nonzero, n_functions;
  double* exponents;   // E, ascending
  double* coef[4];     // E x S each, entry e*S + s
  double* extent2;     // E
  double* work1;       // w*w, w = functions (doubled in relativistic mode 2)
  double* work2;       // 2*w*w
  int* exp_lmax;       // E
  int* exp_lmin;       // E (0 when it differs from exp_lmax)
  int* exp_nshell;     // E: shells with a non-zero set-1 coefficient on the exponent
  int* exp_shells;     // E x S: those shells
  int* shell_l;        // S
  int* shell_first;    // S+1: first function of each shell within the atom
  int* l_count;        // lmax+1: shells per L
  int* l_offset;       // lmax+2: cumulative shell offsets
};

// A basis store record holds its image's byte count as one int, then the image from here.
inline constexpr std::int64_t kBasisImageAt = 4;

// Bytes of a kind record; attaches the views of a record.
std::int64_t kind_record_size(int relativistic, int lmax, int n_exponents, int n_shells,
                              int n_functions);
void kind_attach(BasisKind& kind, void* record);

// A loaded basis: header values and views into one pool block.
struct Basis {
  int total_size, n_atoms, n_shells, n_functions, general, lmax, max_atom_functions;
  BasisKind* kind;             // per atom
  ShellSlot* shells;           // n_shells + 1 (terminating slot)
  int* atom_first_function;    // n+1 (also the offsets record)
  int* atom_first_function_copy;
  int* pair_offset;            // n+1: running sum of squared per-atom function counts
  int* atom_first_shell;       // n+1
  int* shell_first_function;   // n_shells+1
  double* atom_extent2;        // n
  void* block;
};

// Image layout shared by the reader and the loader.
struct BasisLayout {
  std::int64_t kinds, shells, tables, extents, total;
};
BasisLayout basis_layout(int n_atoms, int n_shells, std::int64_t kind_bytes);
// Attaches the views of an image whose header is filled; `kind_views` holds n_atoms views.
void basis_attach(Basis& basis, void* image, BasisKind* kind_views);

// The master reads the record (byte count, image); with `broadcast` both go to all nodes.
// Every reference is rebuilt from the counts and each shell points at its atom in `mol`.
Basis load_basis(int broadcast, const char* record, const Molecule& mol);
void release_basis(Basis& basis);

// Integral of r^(n-2) exp(-x r^2) over all space (n = 0..21).
double norm_integral(int n, double x);
// Coulomb interaction of r^L Y exp(-a r^2) and r^L Y exp(-b r^2), Y of unit mean square.
double coulomb_self(int l, double a, double b);

// Builds the kind record of one (element, set) pair from its shells as read (exponents
// scaled, coefficients carrying the primitive normalisation) into `record`, or only sizes
// it when `record` is null. Contractions are normalised in the overlap metric, or in the
// Coulomb metric when `coulomb` is set. Returns the record size in bytes.
std::int64_t build_kind(const ShellSlot* raw, int n_raw, int relativistic, int coulomb,
                        int element, void* record);

}  // namespace ostrel
