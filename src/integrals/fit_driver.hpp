#pragma once
#include "integrals/coulomb_hermite.hpp"
#include "integrals/one_electron_matrices.hpp"
#include "runtime/records.hpp"

namespace ostrel {

// The density-fitted Coulomb steps as the SCF calls them: every step loads "Molecule" and
// the basis records it needs ("Basis", "Basis2") on all nodes, reads its inputs from the
// store on the master and writes its results there. All nodes call every step together.

// The records of the fit steps (runtime/records.hpp describes them).
inline constexpr const char* kFitMetricRecord = rec::VMM.name;
inline constexpr const char* kFitMomentsRecord = rec::s.name;
inline constexpr const char* kFitShellOffsetsRecord = rec::mm_b.name;
inline constexpr const char* kFitEstimatesRecord = rec::ri_estimates.name;
inline constexpr const char* kFitGroupsRecord = rec::ri_groups.name;
inline constexpr const char* kFitPairListsRecord = rec::ri_pairs.name;
inline constexpr const char* kFitHeaderRecord = rec::ri_fit_header.name;
inline constexpr const char* kFitBlocksRecord = rec::ri_fit.name;

// V step over "Basis2": moments, V, V^-1 and V^-1/2 (timer "Inversion of V-Matrix"); with
// `offsets_record` also the first function of every fitting shell. Returns the number of
// dropped eigen-directions on every node.
int fit_metric_step(double lambda_min, const char* metric_record = kFitMetricRecord,
                    const char* moments_record = kFitMomentsRecord,
                    const char* offsets_record = kFitShellOffsetsRecord);

// Set-up over "Basis" and "Basis2": shell-pair estimates, atom groups, atom-pair lists, the
// counts print and, with `two_centre_fit`, each node's two-centre fit records.
void fit_setup_step(double epsilon, bool two_centre_fit,
                    const char* offsets_record = kFitShellOffsetsRecord);

// Room for the kept three-centre integrals of every node (all nodes, at the SCF set-up,
// before any record of an SCF run; see fit_cache.hpp), for the integral cut-off epsilon of
// the Coulomb steps. Nothing without "Basis2".
void fit_cache_reserve_step(double epsilon, std::int64_t later_bytes = 0);

// gamma_d,k = sum (k|mu nu) P_d(mu, nu) for the nd packed densities named in `densities`
// (timer "Coulomb-type Integrals"; with the overlap kind the three-index overlap under
// "Overlap-type Integrals", and `counts` (nd, every node) receives the electron count of
// each density). Writes `gamma_record` (nd x m).
void fit_projection_step(Interaction kind, double epsilon, int nd, const char* const* densities,
                    const char* gamma_record, double* counts = nullptr);

// c_d = V^-1 gamma_d for nd = 1 or 2 densities (timer "Density Fit"; V^-1 the first block
// of `metric_record`, m from "Nfit"). Writes c_alpha, c_beta (a copy with one density) and their sum to
// the three `coefficients` records (default "da", "db", "d") and returns, on every node,
// the fitted Coulomb energy 1/2 (gamma_alpha + gamma_beta) . c. With `residuals` (master, 2m)
// also gamma_s - V c_s for alpha and beta: the rounding that V^-1's large elements leave in c.
double fit_density_step(int nd, const char* gamma_record, const char* const* coefficients = nullptr,
                        const char* metric_record = kFitMetricRecord, double* residuals = nullptr);

// M_d(mu, nu) = sum_k (mu nu|k) c_d,k for the nd fit vectors named in `coefficients` into the
// packed records `matrices` (timer "Coulomb-type Integrals"); with `add` the result is added
// to the records' contents (for a Fock matrix that already holds the core Hamiltonian).
void fit_assembly_step(double epsilon, int nd, const char* const* coefficients, const char* const* matrices,
                      bool add);

// The Coulomb matrix of the packed density `density` from four-centre integrals, without
// fitting (timer "Coulomb Matrix", atoms dealt by index modulo the node count), into
// `matrix` (added to its contents with `add`). Returns 1/2 tr(P J) on every node.
double exact_coulomb_step(double epsilon, const char* density, const char* matrix, bool add);

// Default of lambda_min: eigen-directions of the Coulomb metric below it are dropped.
inline constexpr double kFitMetricFloor = 1e-10;

// The metric step of the density fit (all nodes together, timer "Inversion of V-Matrix").
// Computes the moments of the fitting functions (charge, then x, y, z moments about the
// origin; 4 m floats) into `moments_record`, and the Coulomb metric V of `aux`, packed,
// with its rows shared out by atom modulo the node count. The master diagonalises V, drops
// the leading eigenvalues below lambda_min (printing " vmax=..., vmin/vmax=..., M=..."),
// and writes V^-1, V^-1/2 and V one after the other into `metric_record` (3 packed
// triangles). Records are created when absent. Returns the number of dropped directions
// on every node.
int fit_metric_inverse(const AtomSet& aux, double lambda_min, const char* metric_record,
                       const char* moments_record);

}  // namespace ostrel
