#pragma once
#include <cmath>
#include <cstdint>

namespace ostrel {

// Capacities of the molecule reader.
inline constexpr int MAX_ATOMS = 16384;

// Distance between atoms a and b of a 3 x n coordinate array.
inline double atom_distance(const double* xyz, int a, int b) {
  const double dx = xyz[3 * a] - xyz[3 * b], dy = xyz[3 * a + 1] - xyz[3 * b + 1],
               dz = xyz[3 * a + 2] - xyz[3 * b + 2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}
inline constexpr int NAME_SLOT = 32;        // set and type names: 31 characters and the zero
inline constexpr int MAX_NEIGHBOURS = 32;   // bond list slots per atom
inline constexpr int ZMATRIX_INTS = 15;     // z-matrix definition ints per atom

// Z-matrix definition kinds (first int of each five-int record).
enum ZmatrixKind : int { ZM_END = 0, ZM_DISTANCE = 1, ZM_ANGLE = 2, ZM_DIHEDRAL = 3 };

// The "Molecule" record (also "Molecule:000"... for paths) as loaded: header values and views of its arrays. The arrays live
// in one pool block (`block`), which the caller gives back with release_molecule.
struct Molecule {
  double radius;           // fragment environment radius (bohr)
  int point;               // point nuclei flag
  int n_atoms;
  int n_alpha;
  int n_beta;
  int n_fragments;
  int first_fragment_atoms;
  int reserved;
  int* z;                  // n atomic numbers
  double* xyz;             // 3n, bohr, atom-major
  double* charge;          // n nuclear charges
  double* nucleus_a;       // n finite-nucleus exponents (0: point)
  double* nucleus_c;       // n finite-nucleus coefficients
  double* mass;            // n (amu)
  int* charges;            // F+1: total, then per fragment
  int* multiplicities;     // F+1: total, then per fragment
  int* fragment_alpha;     // F
  int* fragment_beta;      // F
  int* fragment_of;        // n, 0-based fragment per atom
  int* fragment_counts;    // 2F: own atoms, own plus environment atoms
  int* fragment_atoms;     // F*n: per fragment an n-slot atom list
  char* set_names;         // n slots of NAME_SLOT bytes
  char* type_names;        // n slots of NAME_SLOT bytes
  int* set_index;          // n
  int* zmatrix;            // 15n: five-int records, closed by ZM_END
  int* bonds;              // 32n: 0-based neighbours, unused -1
  void* block;

  const char* set_name(int atom) const { return set_names + NAME_SLOT * atom; }
  const char* type_name(int atom) const { return type_names + NAME_SLOT * atom; }
};

// Bytes of the record for n atoms and f fragments.
std::int64_t molecule_record_size(int n, int f);
// Byte offset of the nuclear charges within the record.
std::int64_t molecule_charge_offset(int n);
// Rewrites only the nuclear charges of the stored record `name` (core potentials).
void molecule_write_charges(const char* name, const Molecule& mol);

// Carves the array views for mol.n_atoms and mol.n_fragments out of `storage`, which must
// hold molecule_record_size bytes (laid out like the record).
void molecule_attach(Molecule& mol, void* storage);

// Allocates `name` at its exact size and writes the record sequentially.
void store_molecule(const char* name, const Molecule& mol);

// The master reads the record; with `broadcast` every piece goes to all nodes as read.
Molecule load_molecule(int broadcast, const char* name);
void release_molecule(Molecule& mol);

struct ElectronCount {
  int alpha;
  int beta;
  bool legal;
};

// Alpha and beta electrons of `electrons` electrons in spin multiplicity `multiplicity`.
// Illegal: parity mismatch, a multiplicity below 1 or more unpaired electrons than there
// are electrons, and negative electron numbers.
inline ElectronCount electron_count(long long electrons, int multiplicity) {
  ElectronCount e{0, 0, false};
  if (multiplicity < 1 || electrons < 0 || electrons > 2000000000LL) return e;
  long long beta = (electrons - multiplicity + 1) / 2;
  long long alpha = multiplicity + beta - 1;
  if (electrons - alpha - beta != 0 || beta < 0) return e;
  e.alpha = static_cast<int>(alpha);
  e.beta = static_cast<int>(beta);
  e.legal = true;
  return e;
}

}  // namespace ostrel
