// The "system" group as start-up reads it.
#include "fuzz_session.hpp"
#include "runtime/startup.hpp"

namespace {
void read(std::FILE* f) { ostrel::read_system_options(f); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ostrel::fuzz::run_on_file(data, size, read);
  return 0;
}
