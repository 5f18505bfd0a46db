// The "control" and "d2edr2" groups and the records derived from them.
#include "fuzz_session.hpp"
#include "input/control_options.hpp"

namespace {
void read(std::FILE* f) { ostrel::control_step(f); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ostrel::fuzz::run_on_stdin(data, size, read);
  return 0;
}
