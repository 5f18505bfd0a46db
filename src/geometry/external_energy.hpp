#pragma once

namespace ostrel {

// The theory "SCRIPT": writes the structure of "Molecule" and the level of "Derivative" to
// "z<pid>.in", runs the command of the environment variable "energy" (the command "energy"
// when it is unset or empty) as "command < z<pid>.in > z<pid>.out", and reads back the
// energy, 3N gradient components and, at level 2, the packed Hessian into "Energy",
// "Gradient" and "Hessian". Both files are removed whatever happens; a failed command or an
// incomplete output file stops the run with one line. Master only (other nodes return).
void external_energy();

}  // namespace ostrel
