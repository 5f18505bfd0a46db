// The "atoms" group and the element shell table built from it.
#include "fuzz_session.hpp"
#include "input/element_table.hpp"

namespace {
void read(std::FILE* f) { ostrel::build_element_table("Atoms", f); }
}  // namespace

OSTREL_FUZZ_ENTRY(run_on_file, read)
