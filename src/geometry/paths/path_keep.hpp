#pragma once
// A reaction path outlives an interrupted run: after each point (for a chain moved as a
// whole, each cycle) its records go to a file of the scratch directory, named by a checksum
// of the task, the model, the start structures and the path options, and a run of the same
// input continues from the last point kept. The task removes the file when it ends.
#include <cstdint>
#include <string>

namespace ostrel {

struct PathKeep {
  std::string path;
  std::uint64_t key;
};

// The file of `task` for the current model, structures and path options (master), taken
// before the task changes "Molecule".
PathKeep path_keep_for(const char* task);

// Creates the kept records in the store, for `points` points of m coordinates and `state`
// further numbers of the task (master).
void path_keep_records(int points, int m, int state = 0);

// The same for a chain moved as a whole: every point's gradient and, with `models`, the chain
// before its last step and every point's Hessian model.
void path_keep_chain_records(int points, int m, bool models);

// Loads a kept path of the same input (path_keep_load): the number of points or cycles it
// holds, at most `most`; 0 without one.
int path_keep_resume(const PathKeep& k, int most);

// Loads the kept records into the store (they must exist there at the kept sizes): 1 when
// loaded, 0 without a file, -1 for an unusable file (reported, left alone).
int path_keep_load(const PathKeep& k);

// The first np points of a path to and from the kept records "Path.np", "Path.X", "Path.E"
// and "Path.S" (s may be null).
void path_keep_put_points(int np, int m, const double* x, const double* e, const double* s);
void path_keep_get_points(int np, int m, double* x, double* e, double* s);

void path_keep_save(const PathKeep& k);
void path_keep_remove(const PathKeep& k);

}  // namespace ostrel
