#pragma once
// Bookkeeping shared by the two optimizer step engines.
#include "model/molecule_record.hpp"

namespace ostrel {

// End of the initial call: the first gradient is computed on the grid the options ask
// for, as step 0.
void request_initial_grid();

// Grid decade control after a non-converged step: a new grid generation each time the
// largest gradient component falls by a decade ("Opt.newgrid", "Opt.loggmin",
// "grid_adapt").
void grid_decade_control(int step, double gmax);

// Writes xyz into the "Molecule" record.
void write_geometry(Molecule& mol, const double* xyz);

// Prints the structure as a "$molecule" group prefixed "MOL>" (converged, followed by the
// energy) or "mol>", then the coordinates and distances.
void print_structure(const Molecule& mol, bool converged, double energy);

// Advances "Opt.step" and sets "Opt.exits" on convergence or at the step limit.
void finish_step(int step, bool converged, int max_steps);

}  // namespace ostrel
