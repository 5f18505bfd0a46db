#pragma once
// One point of a finite-difference Hessian: the structure displaced along one Cartesian
// coordinate, its energy, gradient, dipole and polarizability, kept in the "num_" records.
// Step 0 is the reference point, steps 1..3N move coordinate s forward, steps 3N+1..6N
// move coordinate s-3N backward.
#include "input/energy_driver.hpp"

namespace ostrel {

// Values kept per point: the dipole and the 33 polarizability components.
inline constexpr int kPointValues = 36;

// The bookkeeping records in the order they are created.
inline constexpr const char* kDifferenceRecords[] = {
    "num_G0", "num_G1", "num_G2", "num_g0", "num_g1", "num_g2", "num_E",
    "num_done", "num_Ca", "num_Cb", "num_ea", "num_eb", "num_Gmax", "num_Grid"};
inline constexpr int kDifferenceRecordCount = sizeof kDifferenceRecords / sizeof kDifferenceRecords[0];

struct DifferencePlan {
  int mode = 0;      // 1 forward, 2 central differences
  double step = 0;   // displacement (bohr)
  int first = 0;     // range of steps of this run; first -1: every point from the input
  int last = 0;
  int n3 = 0;        // Cartesian coordinates
  int grid = 0;      // the theory's "grid" value (0: no integration grid)

  int total() const { return mode * n3; }
  bool from_input() const { return first == -1; }
  bool in_range(int s) const { return from_input() || (s >= first && s <= last); }
  bool whole_range() const { return from_input() || (first == 0 && last == total()); }
};

// Evaluates point `step` on every node: the driver at level 1 (or, with the plan's points
// from the input, the group "energy%03d"), starting from the reference SCF state, and
// stores its results on the master. The "Molecule" record is the reference again after.
void compute_point(const DifferencePlan& plan, int step, const EnergyProcedures& procedures);

// The records of the point results, zeroed, where they are missing (master).
void create_difference_records(int n3);

// Copies the reference point's orbitals, orbital energies, SCF gradient norm and grid into
// "num_Ca", ... (master), and back before each displaced point.
void keep_reference_state();
void restore_reference_state();

// Whether step s (0 the reference) has its results in the records (master).
bool point_done(int step);

// Coordinate k of "Molecule" (bohr): set to `value`, or moved by `delta`; both return the old
// value (master).
double set_coordinate(int k, double value);
double shift_coordinate(int k, double delta);

}  // namespace ostrel
