// The "system" group as start-up reads it.
#include "fuzz_session.hpp"
#include "runtime/startup.hpp"

namespace {
void read(std::FILE* f) { ostrel::read_system_options(f); }
}  // namespace

OSTREL_FUZZ_ENTRY(run_on_file, read)
