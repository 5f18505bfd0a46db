#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>

#include "runtime/store.hpp"

namespace ostrel {

// A named store record seen as an array of T. Every count and offset below is in elements
// of T, never in bytes. Records with a fixed layout use a small struct as T.
template <class T>
struct Record {
  const char* name;
};

struct EcpBlock;      // model/ecp_input.hpp
struct XcFunctional;  // scf/xc/xc_functional.hpp
struct MmParameters;  // models/mm/mm_parameters.hpp
struct NddoElement;   // models/nddo/nddo_parameters.hpp

// Value parameters do not take part in deduction, so record_put(rec::Energy, 0) is fine.
template <class T>
using Same = std::type_identity_t<T>;

template <class T>
bool record_exists(Record<T> r) {
  return store_exists(r.name) != 0;
}
// Elements held, or -1 when the record does not exist.
template <class T>
std::int64_t record_count(Record<T> r) {
  const std::int64_t bytes = store_size(r.name);
  return bytes < 0 ? -1 : bytes / static_cast<std::int64_t>(sizeof(T));
}
template <class T>
void record_alloc(Record<T> r, std::int64_t count) {
  store_alloc(r.name, static_cast<std::int64_t>(sizeof(T)) * count);
}
// Creates the record when it is missing; an existing one keeps its size.
template <class T>
void record_ensure(Record<T> r, std::int64_t count) {
  if (!record_exists(r)) record_alloc(r, count);
}
template <class T>
void record_free(Record<T> r) {
  store_free(r.name);
}

// `count` elements from element `first`. A write to a missing record creates it (first 0).
template <class T>
void record_read(Record<T> r, Same<T>* out, std::int64_t count, std::int64_t first = 0) {
  static_assert(std::is_trivially_copyable_v<T>);
  store_read(r.name, static_cast<std::int64_t>(sizeof(T)) * first, out,
             static_cast<std::int64_t>(sizeof(T)) * count);
}
template <class T>
void record_write(Record<T> r, const Same<T>* in, std::int64_t count, std::int64_t first = 0) {
  static_assert(std::is_trivially_copyable_v<T>);
  store_write(r.name, static_cast<std::int64_t>(sizeof(T)) * first, in,
              static_cast<std::int64_t>(sizeof(T)) * count);
}
template <class T>
void record_read(Record<T> r, std::span<Same<T>> out, std::int64_t first = 0) {
  record_read(r, out.data(), static_cast<std::int64_t>(out.size()), first);
}
template <class T>
void record_write(Record<T> r, std::span<const Same<T>> in, std::int64_t first = 0) {
  record_write(r, in.data(), static_cast<std::int64_t>(in.size()), first);
}
// Writes, creating the record at exactly this size when it is missing.
template <class T>
void record_save(Record<T> r, const Same<T>* in, std::int64_t count) {
  record_ensure(r, count);
  record_write(r, in, count);
}

// The first `count` elements of `from` into `to`.
template <class T>
void record_copy(Record<T> to, Record<T> from, std::int64_t count) {
  store_copy(to.name, from.name, 0, 0, static_cast<std::int64_t>(sizeof(T)) * count);
}

// Sequential access: each call continues where the previous one on the record stopped.
template <class T>
void record_read_next(Record<T> r, Same<T>* out, std::int64_t count) {
  store_read(r.name, SEQUENTIAL, out, static_cast<std::int64_t>(sizeof(T)) * count);
}
template <class T>
void record_write_next(Record<T> r, const Same<T>* in, std::int64_t count) {
  store_write(r.name, SEQUENTIAL, in, static_cast<std::int64_t>(sizeof(T)) * count);
}

// One element.
template <class T>
T record_get(Record<T> r, std::int64_t index = 0) {
  T value;
  record_read(r, &value, 1, index);
  return value;
}
template <class T>
T record_get_or(Record<T> r, Same<T> missing) {
  return record_exists(r) ? record_get(r) : missing;
}
template <class T>
void record_put(Record<T> r, const Same<T>& value, std::int64_t index = 0) {
  record_write(r, &value, 1, index);
}

// One member of a fixed-layout record, read or written alone (writers of the other members
// may not have run, or may have stored only the leading ones).
template <class T, class F>
std::int64_t member_offset(F T::*member) {
  const T probe{};
  return reinterpret_cast<const char*>(&(probe.*member)) - reinterpret_cast<const char*>(&probe);
}
template <class T, class F>
F record_field(Record<T> r, F T::*member) {
  F value;
  store_read(r.name, member_offset(member), &value, sizeof(F));
  return value;
}
template <class T, class F>
void record_set_field(Record<T> r, F T::*member, const Same<F>& value) {
  store_write(r.name, member_offset(member), &value, sizeof(F));
}

// Text records are fixed-size byte fields padded with zeros.
inline std::string record_text(Record<char> r) { return store_get_text(r.name); }
inline void record_put_text(Record<char> r, const std::string& text, std::int64_t field_size) {
  store_put_text(r.name, text, field_size);
}

// ---- Fixed layouts --------------------------------------------------------------------

// A count for the whole molecule and for its first fragment.
struct PerStructure {
  int whole;
  int first_fragment;
};
// Master SCF limits (input group "scf").
struct IterationLimits {
  int outer;  // SCF iterations
  int inner;  // Newton-Raphson micro-iterations per step
};
struct Convergence {
  double energy;    // energy change, also the orbital-gradient target of the solvers
  double gradient;  // largest orbital gradient accepted before the last step
};
struct IntegralCutoffs {
  double pair;    // shell-pair screening
  double coarse;  // looser cut-off of early iterations
};
struct DiagonalisationMode {
  int initial;    // input "diag"
  int canonical;  // 1: canonical orbitals after each step
};
struct FockCounts {
  int fock;         // Fock matrices built
  int first_order;  // first-order Fock matrices built
};
struct ResultsGiven {
  int energy, gradient, hessian;
};
struct StateRange {
  int first;  // lowest state, 0 the ground state
  int count;  // states averaged (weights)
};
struct DisplacementSteps {
  int first, last;  // numerical-derivative displacements to run, -1: all
};
struct AtomicOrbitalCounts {
  int orbitals;  // M, minimal-basis orbitals of all atoms
  int core;      // of which core orbitals
};
struct GridAccuracy {
  double coarse, fine;
};

// ---- The catalogue: every record the program uses --------------------------------------
// Name (exact store text), element type, shape and writer. Sizes: n "Nbasis", m "Nfit",
// t = n(n+1)/2 (packed lower triangle), N "Natom", k density sets (1, 2 for OSDFT, 3 for
// TDDFT). Square matrices are column-major, one orbital per column.
namespace rec {

// Control step (input/control_options, input/common_setup, input/energy_driver).
inline constexpr Record<char> task{"task"};             // 64 bytes of text
inline constexpr Record<char> theory{"theory"};         // 64 bytes of text, upper case
inline constexpr Record<char> PRINT{"PRINT"};           // 128 bytes: print options
inline constexpr Record<char> scfsave{"scfsave"};       // 128 bytes: vector file to write
inline constexpr Record<char> nosave{"nosave"};         // 128 bytes
inline constexpr Record<char> bfname{"bfname"};         // 128 bytes: basis library file
inline constexpr Record<int> fit{"fit"};                // fitting kind as a character code, 0 none
inline constexpr Record<int> four{"four"};              // relativistic mode, 0 none
inline constexpr Record<int> point{"point"};            // 1: point nuclei
inline constexpr Record<int> dual{"dual"};              // 1: dual-basis theory
inline constexpr Record<StateRange> state{"state"};
inline constexpr Record<double> weight{"weight"};       // state-average weights, state.count
inline constexpr Record<double> field{"field"};         // 3: external electric field (au)
inline constexpr Record<int> num_nd{"num_nd"};          // numerical derivative mode
inline constexpr Record<double> num_dx{"num_dx"};       // displacement length (bohr)
inline constexpr Record<DisplacementSteps> num_kd{"num_kd"};
inline constexpr Record<int> nwave{"nwave"};            // frequencies for polarizabilities
inline constexpr Record<double> wave{"wave"};           // nwave frequencies (hartree)
inline constexpr Record<int> polariz{"polariz"};        // 2: requested, analytic
inline constexpr Record<int> NEval{"NEval"};            // energy evaluations so far
inline constexpr Record<int> Derivative{"Derivative"};  // derivative order of this evaluation
inline constexpr Record<int> grid{"grid"};              // 1: the theory has a grid (and grid/)
inline constexpr Record<int> magnetic{"magnetic"};
inline constexpr Record<int> Nbasis{"Nbasis"};          // n (input/common_setup, model/basis_reader)
inline constexpr Record<int> Nbasis1{"Nbasis1"};        // second wavefunction basis
inline constexpr Record<int> Nfit{"Nfit"};              // m, fitting functions
inline constexpr Record<int> Necp{"Necp"};              // 2: core orbitals of the core potentials, whole
                                                        // molecule and first fragment (1: 0 for models)
inline constexpr Record<int> Atoms{"Atoms"};            // element table (input/element_table)
inline constexpr Record<int> ci_ndiis{"ci_ndiis"};      // 2 (input/ci_options)
inline constexpr Record<int> ci_Niter{"ci_Niter"};
inline constexpr Record<int> ci_v4{"ci_v4"};
inline constexpr Record<double> ci_ecut{"ci_ecut"};

// Structure (model/molecule_reader, model/molecule_record, model/ecp_reader).
inline constexpr Record<char> Molecule{"Molecule"};     // fields: model/molecule_record.cpp
// Paths keep every structure as "Molecule:000", "Molecule:001", ... alike.
inline constexpr Record<PerStructure> Natom{"Natom"};
inline constexpr Record<PerStructure> Na{"Na"};         // alpha electrons (scf/procedure after ECP)
inline constexpr Record<PerStructure> Nb{"Nb"};         // beta electrons
inline constexpr Record<PerStructure> Ncore{"Ncore"};   // core orbitals
inline constexpr Record<PerStructure> Nactive{"Nactive"};
inline constexpr Record<EcpBlock> ECP{"ECP"};           // N blocks
inline constexpr Record<double> Path_Xguess{"Path.Xguess"};  // structures x 3N coordinates
inline constexpr Record<int> Path_Nguess{"Path.Nguess"};     // structures in Path.Xguess

// Basis sets (model/basis_reader): an int byte count, then the packed basis image.
inline constexpr Record<char> Basis{"Basis"};
inline constexpr Record<char> Basis1{"Basis1"};
inline constexpr Record<char> Basis2{"Basis2"};         // fitting basis
inline constexpr Record<int> n_basis{"n_basis"};        // N+1: first function of each atom
inline constexpr Record<int> n_basis1{"n_basis1"};
inline constexpr Record<int> n_fit{"n_fit"};

// Results (input/provided_results, scf/procedure, scf/gradient).
inline constexpr Record<ResultsGiven> haveE{"haveE"};
inline constexpr Record<double> Energy{"Energy"};
inline constexpr Record<double> Dipole{"Dipole"};       // 3 (9 when given as input results)
inline constexpr Record<double> Polariz{"Polariz"};     // max(nwave,1) x 33
inline constexpr Record<double> Gradient{"Gradient"};   // 3N
inline constexpr Record<double> DipoleX{"DipoleX"};     // 3N x 3
inline constexpr Record<double> PolarizX{"PolarizX"};   // blocks 3N x 6, 3N x 9, 3N x 18
inline constexpr Record<double> Hessian{"Hessian"};     // 3N x 3N
inline constexpr Record<double> ZMode{"ZMode"};         // 3N x 3N normal modes of the anharmonic scan

// Finite-difference second derivatives (geometry/hessian); k = 3N coordinates, 36 values of a
// point: dipole, then 33 polarizability components. Kept in a file between split runs.
inline constexpr Record<double> num_G0{"num_G0"};       // k reference gradient
inline constexpr Record<double> num_G1{"num_G1"};       // k x k forward gradients, row per coordinate
inline constexpr Record<double> num_G2{"num_G2"};       // k x k backward gradients
inline constexpr Record<double> num_g0{"num_g0"};       // 36 reference values
inline constexpr Record<double> num_g1{"num_g1"};       // k x 36 forward values
inline constexpr Record<double> num_g2{"num_g2"};       // k x 36 backward values
inline constexpr Record<double> num_E{"num_E"};         // 1 + 2k: reference, forward, backward energies
inline constexpr Record<int> num_done{"num_done"};      // 1 + 2k: 1 when that step's results are in
// The reference point's SCF state that every displaced point starts from.
inline constexpr Record<double> num_Ca{"num_Ca"};
inline constexpr Record<double> num_Cb{"num_Cb"};
inline constexpr Record<double> num_ea{"num_ea"};
inline constexpr Record<double> num_eb{"num_eb"};
inline constexpr Record<double> num_Gmax{"num_Gmax"};  // copy of "scf_Gmax"
inline constexpr Record<char> num_Grid{"num_Grid"};     // copy of "Grid"

// SCF set-up (scf/procedure/scf_options).
inline constexpr Record<int> restricted{"restrict"};    // 1: one orbital set
inline constexpr Record<int> closed{"closed"};          // 1: closed shell
inline constexpr Record<int> direct{"direct"};
inline constexpr Record<int> v_typ{"v_typ"};
inline constexpr Record<int> v_alg{"v_alg"};
inline constexpr Record<int> fitxc{"fitxc"};            // 1: exchange-correlation on fitted density
inline constexpr Record<int> d1small{"d1small"};
inline constexpr Record<int> d2loc{"d2loc"};
inline constexpr Record<int> d2svs{"d2svs"};
inline constexpr Record<int> N3fit{"N3fit"};
inline constexpr Record<Convergence> convergence{"convergence"};
inline constexpr Record<IterationLimits> iterations{"iterations"};
inline constexpr Record<int> scf_procedure{"scf_procedure"};  // 1 BFGS, 2 NR, -1 DIIS
inline constexpr Record<IntegralCutoffs> cutij{"cutij"};
inline constexpr Record<double> ricut{"ricut"};
inline constexpr Record<double> scf_xmax{"scf.xmax"};
inline constexpr Record<int> form_d2Exc{"form_d2Exc"};
inline constexpr Record<int> use_d2Exc{"use_d2Exc"};
inline constexpr Record<XcFunctional> functional{"functional"};  // scf/xc
inline constexpr Record<int> grid_adapt{"grid_adapt"};
inline constexpr Record<int> grid_new{"grid_new"};      // 1: the grid changed this iteration

// SCF state (scf/procedure unless noted).
inline constexpr Record<double> Ca{"Ca"};               // n x n alpha orbitals
inline constexpr Record<double> Cb{"Cb"};               // n x n beta orbitals
inline constexpr Record<double> ea{"ea"};               // n alpha orbital energies
inline constexpr Record<double> eb{"eb"};               // n beta orbital energies
inline constexpr Record<double> Da{"Da"};               // t x k alpha densities
inline constexpr Record<double> Db{"Db"};
inline constexpr Record<double> Fa{"Fa"};               // t x k alpha Fock matrices
inline constexpr Record<double> Fb{"Fb"};
inline constexpr Record<double> D{"D"};                 // t total density
inline constexpr Record<double> H0{"H0"};               // t core Hamiltonian
inline constexpr Record<double> S{"S"};                 // t overlap
inline constexpr Record<double> W{"W"};                 // t energy-weighted density
inline constexpr Record<double> da{"da"};               // m x k fitted alpha density
inline constexpr Record<double> db{"db"};
inline constexpr Record<double> d{"d"};
inline constexpr Record<double> v{"v"};
inline constexpr Record<double> fa{"fa"};               // m x (k+1)
inline constexpr Record<double> fb{"fb"};
inline constexpr Record<double> s{"s"};                 // 4m: fit charges, x, y, z moments
inline constexpr Record<double> p{"p"};                 // m
inline constexpr Record<double> ua{"ua"};               // fit charge multipliers
inline constexpr Record<double> ub{"ub"};
inline constexpr Record<double> invA{"invA"};           // m(m+1)/2
inline constexpr Record<double> VMM{"VMM"};             // 3 x m(m+1)/2: V^-1, V^-1/2, V (integrals/)
inline constexpr Record<double> Enn{"Enn"};             // energies (hartree)
inline constexpr Record<double> ET{"ET"};
inline constexpr Record<double> Ev{"Ev"};
inline constexpr Record<double> EJ{"EJ"};
inline constexpr Record<double> Ex{"Ex"};
inline constexpr Record<double> Ec{"Ec"};
inline constexpr Record<double> ESCF{"ESCF"};
inline constexpr Record<double> Q1{"Q1"};
inline constexpr Record<double> scf_Gmax{"scf_Gmax"};   // 2, set from convergence; [0] largest orbital gradient
inline constexpr Record<int> scf_iter{"scf_iter"};
inline constexpr Record<DiagonalisationMode> scf_diag{"scf_diag"};
inline constexpr Record<FockCounts> NevalF{"NevalF"};
inline constexpr Record<int> ID1{"ID1"};
inline constexpr Record<int> ND1{"ND1"};
inline constexpr Record<int> NCPSCF{"NCPSCF"};
inline constexpr Record<int> useD1{"useD1"};
inline constexpr Record<double> scf_X{"scf_X"};         // rotation vector
inline constexpr Record<double> scf_G{"scf_G"};         // orbital gradient, as long as scf_X
inline constexpr Record<double> Foa{"Foa"};             // packed occupied-occupied alpha Fock block
inline constexpr Record<double> Fva{"Fva"};             // packed virtual-virtual alpha Fock block
inline constexpr Record<double> Fob{"Fob"};
inline constexpr Record<double> Fvb{"Fvb"};
inline constexpr Record<double> scf_H{"scf_H"};         // BFGS update pairs
// Step control (scf/procedure/scf_step_control): [0] trust radius of the orbital rotations,
// [1] the Newton model's predicted change of the last step (0 after a BFGS step); the
// orbitals of the last accepted point, to which a rejected step returns.
inline constexpr Record<double> scf_trust{"scf_trust"};
inline constexpr Record<double> scf_C0a{"scf.C0a"};
inline constexpr Record<double> scf_C0b{"scf.C0b"};
inline constexpr Record<int> scf_NH{"scf_NH"};
inline constexpr Record<double> scf_XG0{"scf_XG0"};

// Newton steps and response (scf/procedure/scf_newton_step, scf_response); "scf.t1",
// "scf.v1", "scf.tS", "scf.tJ" are fit projections made and freed within one step, "scf.H",
// "scf.T", "scf.M" the one-electron set-up's matrices, "scf.D1.k", "scf.F1.k", "scf.c1.k",
// "scf.f1.k" per-perturbation scratch.
inline constexpr Record<double> Ca1{"Ca1"};             // n x Na first-order orbitals
inline constexpr Record<double> Cb1{"Cb1"};
inline constexpr Record<double> F1Ca{"F1Ca"};           // n x Na first-order Fock times orbitals
inline constexpr Record<double> F1Cb{"F1Cb"};
inline constexpr Record<double> Da1{"Da1"};             // t x ND1 first-order densities
inline constexpr Record<double> Db1{"Db1"};
inline constexpr Record<double> Fa1{"Fa1"};             // t x ND1 first-order Fock matrices
inline constexpr Record<double> Fb1{"Fb1"};
inline constexpr Record<double> da1{"da1"};             // m x ND1 fitted first-order densities
inline constexpr Record<double> db1{"db1"};
inline constexpr Record<double> fa1{"fa1"};
inline constexpr Record<double> fb1{"fb1"};
inline constexpr Record<double> v1{"v1"};
inline constexpr Record<double> faa{"faa"};             // fitted kernel blocks
inline constexpr Record<double> fbb{"fbb"};
inline constexpr Record<double> fab{"fab"};
inline constexpr Record<double> xc_d2{"xc.d2"};         // per node: weighted second derivatives of the
                                                        // functional at its kernel-pass points (one Newton step)

// Reports (scf/procedure/scf_report*, model/population).
inline constexpr Record<double> loc_Cna{"loc_Cna"};     // localised alpha orbitals, n x Na
inline constexpr Record<double> loc_Cnb{"loc_Cnb"};
inline constexpr Record<double> loc_ea{"loc_ea"};       // their energies (diagonal Fock elements)
inline constexpr Record<double> loc_eb{"loc_eb"};
inline constexpr Record<double> pop_S{"pop.S"};         // t overlap, made and freed by the populations

// NDDO element parameters (models/nddo): 55 element records, index = atomic number.
inline constexpr Record<NddoElement> nddo_data{"nddo_data"};
inline constexpr Record<double> nddo_Ca{"nddo_Ca"};  // orbitals of the last evaluation, square

// Starting orbitals (scf/guess, input/nddo_guess_groups).
inline constexpr Record<double> guess_Ca{"guess_Ca"};   // given orbitals, square
inline constexpr Record<double> guess_Cb{"guess_Cb"};
inline constexpr Record<double> guess_ea{"guess_ea"};
inline constexpr Record<double> guess_eb{"guess_eb"};
inline constexpr Record<int> guess_na{"guess_na"};      // orbital order for alpha occupation
inline constexpr Record<int> guess_nb{"guess_nb"};
inline constexpr Record<int> guess_nc{"guess_nc"};
inline constexpr Record<int> guess_skip{"guess.skip"};
inline constexpr Record<int> guess_read{"guess.read"};
inline constexpr Record<int> guess_mix{"guess.mix"};
inline constexpr Record<int> guess_loc{"guess.loc"};
inline constexpr Record<double> atomic_ao{"atomic_ao"};  // n x M free-atom orbitals
inline constexpr Record<double> atomic_ae{"atomic_ae"};  // M orbital energies
inline constexpr Record<int> atomic_al{"atomic_al"};     // 2M: atom, 1 for core
inline constexpr Record<AtomicOrbitalCounts> atomic_M{"atomic_M"};
inline constexpr Record<double> C_core{"C_core"};        // n x core orbitals
inline constexpr Record<double> atomic_E{"atomic_E"};    // free-atom energy per atom
inline constexpr Record<double> atomic_D{"atomic_D"};    // free-atom density blocks
inline constexpr Record<double> atomic_d{"atomic_d"};    // fitted free-atom densities

// Grid (scf/grid).
inline constexpr Record<char> Grid{"Grid"};             // points, weights and blocks (grid_record)
inline constexpr Record<int> grid_Nrad{"grid.Nrad"};    // radial points per element
inline constexpr Record<int> Ngrid{"Ngrid"};            // 2: coarse and fine points
inline constexpr Record<GridAccuracy> grid_accuracy{"grid_accuracy"};
inline constexpr Record<int> grid_spare{"grid_spare"};
inline constexpr Record<int> grid_fine{"grid_fine"};    // 1: the fine grid is in use
inline constexpr Record<int> xc_compare{"xc_compare"};  // 1: print r(xc) this iteration
inline constexpr Record<double> grid_W{"grid_W"};       // fine-grid weights
inline constexpr Record<double> grid_W1{"grid_W1"};     // coarse-grid weights

// Density fitting (integrals/fit_*).
inline constexpr Record<std::int64_t> ri_B{"ri.B"};     // three-index cache: header, key, index, blocks
inline constexpr Record<int> ri_groups{"ri.groups"};    // N: node group of each atom
inline constexpr Record<int> ri_pairs{"ri.pairs"};      // N x N: partner atoms, closed by -1
inline constexpr Record<double> ri_estimates{"ri.estimates"};  // shell-pair estimates
inline constexpr Record<int> ri_fit_header{"ri.fit_header"};   // two-centre fit: atoms, lists
inline constexpr Record<double> ri_fit{"ri.fit"};              // two-centre fit blocks
inline constexpr Record<int> mm_b{"mm_b"};              // first function of each fit shell

// Force field (models/mm): the whole parameter block, read once per run.
inline constexpr Record<MmParameters> mmdata{"mmdata"};

// The optimizer's "Opt." records: geometry/optimize_records.hpp (same namespace).
// The path tasks' "Path." records: geometry/paths/path_records.hpp (same namespace).

}  // namespace rec
}  // namespace ostrel
