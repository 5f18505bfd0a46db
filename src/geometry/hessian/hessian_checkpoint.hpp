#pragma once
// The "num_" records of a finite-difference Hessian outlive the run in a file of the scratch
// directory (the store's own files are deleted at exit), so that a Hessian split into step
// ranges over several runs can be completed. The file is named by a checksum of the
// structure, the model and the difference settings: a run of another molecule or model
// never picks it up.
#include <cstdint>
#include <string>

#include "geometry/hessian/displaced_points.hpp"

namespace ostrel {

struct Checkpoint {
  std::string path;
  std::uint64_t key;
};

// The file for the current "Molecule", model and plan (master).
Checkpoint checkpoint_for(const DifferencePlan& plan);

// Loads the records kept in the file into the store (master); returns the number of steps
// found done, 0 when there is no usable file (a damaged one is reported and left alone).
int checkpoint_load(const Checkpoint& c, int n3);

// Writes every "num_" record to the file (through a temporary file, so a run that is killed
// while writing leaves the previous state).
void checkpoint_save(const Checkpoint& c);

void checkpoint_remove(const Checkpoint& c);

}  // namespace ostrel
