// The "energy" group of provided results, for three atoms and two frequencies.
#include "fuzz_session.hpp"
#include "input/provided_results.hpp"
#include "runtime/store.hpp"

namespace {
void read(std::FILE* f) {
  ostrel::store_put<int>("Natom", 3);
  ostrel::store_put<int>("nwave", 2);
  ostrel::read_provided_results("energy", f);
}
}  // namespace

OSTREL_FUZZ_ENTRY(run_on_file, read)
