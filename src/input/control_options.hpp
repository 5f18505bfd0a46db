#pragma once
#include <cstdio>

namespace ostrel {

// The control step: reads the groups "control" (and "d2edr2" for numerical derivatives)
// from `input` and writes the records every module reads: "fit", "task", "theory",
// "state", "weight", "four", "point", "dual", "field", "num_nd", "num_dx", "num_kd",
// "nwave", "wave", "polariz", "PRINT", "NEval", "grid", "magnetic", "scfsave", "nosave",
// "bfname". Master only; other nodes return at once.
void control_step(std::FILE* input);

// Hartree energy of light of `nm` nanometres (0 stays 0: static).
double wavelength_to_hartree(double nm);

}  // namespace ostrel
