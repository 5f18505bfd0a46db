// The "atoms" group and the element shell table built from it.
#include "fuzz_session.hpp"
#include "input/element_table.hpp"

namespace {
void read(std::FILE* f) { ostrel::build_element_table("Atoms", f); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ostrel::fuzz::run_on_file(data, size, read);
  return 0;
}
