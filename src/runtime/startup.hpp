#pragma once

namespace ostrel {

// Program entry: start-up, task selection, and exit through the handlers.
int ostrel_main(int argc, char** argv);

}  // namespace ostrel
