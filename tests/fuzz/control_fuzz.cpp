// The "control" and "d2edr2" groups and the records derived from them.
#include "fuzz_session.hpp"
#include "input/control_options.hpp"

namespace {
void read(std::FILE* f) { ostrel::control_step(f); }
}  // namespace

OSTREL_FUZZ_ENTRY(run_on_stdin, read)
