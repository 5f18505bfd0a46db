#pragma once
// Options of the geometry optimizer (input group "optimize") and their "Opt." records.
#include "model/internal_coordinate.hpp"
#include "model/units.hpp"

namespace ostrel {

// A "value" entry that keeps the coordinate's current value (start) or the start (end).
inline constexpr double kKeepValue = -1000.0;

// The scalar options as the records hold them (master only).
struct OptimizeOptions {
  int cartesian, exact, gterm, saddle, follow, points, massw, maximize, back, cubfit, noise,
      print, max_steps;
  int minimize[2];
  double tolerance[2];
  double trust[3];  // maximum, minimum, current
  double radius[2];
  double wr[3];     // weights of stretches, bends, other types
  int nfix;
  int nk;
};

// Reads the group "optimize" (master), checks it, prints the summary and writes the
// per-run records. Called by task control for the optimizer, path and scan tasks.
void read_optimize_options();

// The option records of the current run (master).
OptimizeOptions load_optimize_options();

// Value of a user coordinate in angstrom or degrees from bohr or radians, and back.
double coordinate_to_input_units(int type, double value);
double coordinate_from_input_units(int type, double value);

}  // namespace ostrel
