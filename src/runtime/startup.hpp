#pragma once

namespace ostrel {

// Everything before task selection: message passing, signal and exit handlers, files,
// banner, node list, system options, pool and store.
void start_run(int argc, char** argv);

// Program entry: start-up, task selection, and exit through the handlers.
int ostrel_main(int argc, char** argv);

}  // namespace ostrel
