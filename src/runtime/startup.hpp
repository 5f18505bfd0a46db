#pragma once
#include <cstdio>

namespace ostrel {

// Everything before task selection: message passing, signal and exit handlers, files,
// banner, node list, system options, pool and store.
void start_run(int argc, char** argv);

// Program entry: start-up, task selection, and exit through the handlers.
int ostrel_main(int argc, char** argv);

// The "system" group: work memory (MB, master and other nodes), scratch files or memory
// store size, and the scratch directory.
struct SystemOptions {
  int memory[2] = {128, -1};
  // Scratch files start empty and grow as records are written, so the count only caps the
  // store: 16 GB keeps the three-centre integrals of a 120-atom alkane in def2-SVP (2.8 GB, and
  // the cache takes at most half the room) instead of recomputing most of them every iteration.
  int disk = 16;
  char path[1024] = {};
};

// Master reads the group, every node receives the values; defaults are completed and the
// options line is printed by the master.
SystemOptions read_system_options(std::FILE* input);

}  // namespace ostrel
