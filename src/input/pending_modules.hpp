#pragma once
// Entry points of modules that task control calls but that are built elsewhere. Until a
// module lands, its pending_*.cpp file defines the entry points as stops that say the
// piece is not available in this build; the module replaces that file with the real code.

namespace ostrel {

// Energy and derivative driver (pending_energy_driver.cpp).
void evaluate(int level);

// Initial guess and orbital files (scf/guess_options.cpp, pending_guess.cpp).
void guess_read_options();
void initial_guess();
void fragment_guess();  // atomic calculations, then the guess assembled from fragments

// SCF and grid options (scf/scf_options.cpp, scf/grid_options.cpp).
void scf_setup_options();
void grid_setup_options();

// Geometry optimizer (geometry/optimize_options.cpp, geometry/run_optimization.cpp).
void read_optimize_options();
void run_optimization();

// Hessians (geometry/hessian/second_derivatives.cpp; returns 0 when the Hessian is complete)
// and vibrations (pending_vibrations.cpp).
int second_derivatives();
void vibrational_analysis();
void anharmonic_corrections();

// Paths, scans and saddle searches (geometry/paths/).
void coordinate_scan();
void approximate_saddle_search();
void irc_path();
void irc_runge_kutta();
void gradient_extremal_path();
void minimum_energy_path();
void synchronous_transit();
void steric_probe();

// Force-field dynamics (models/mm/mm_dynamics.cpp).
void mm_dynamics();

// Result groups (model/mm_export.cpp).
void write_mm_block();

}  // namespace ostrel
