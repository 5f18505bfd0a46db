#pragma once
// A reaction path outlives an interrupted run: after each point its records go to a file of
// the scratch directory, named by a checksum of the model, the start structure and the path
// options, and a run of the same input continues from the last point kept.
#include <cstdint>
#include <string>

namespace ostrel {

struct PathKeep {
  std::string path;
  std::uint64_t key;
};

// The file for the current model, "Molecule" and path options (master).
PathKeep path_keep_for(const char* task);

// Creates the kept records in the store, for `points` points of m coordinates (master).
void path_keep_records(int points, int m);

// Loads the kept records into the store (they must exist there at the kept sizes): 1 when
// loaded, 0 without a file, -1 for an unusable file (reported, left alone).
int path_keep_load(const PathKeep& k);

void path_keep_save(const PathKeep& k);
void path_keep_remove(const PathKeep& k);

}  // namespace ostrel
