// The core-potential reader on a fixed molecule.
#include "fuzz_session.hpp"
#include "model/ecp_input.hpp"
#include "model_fixture.hpp"

namespace {

void read(std::FILE*) {
  std::FILE* library = stdin;
  ostrel::fuzz::read_fixed_molecule();
  stdin = library;
  ostrel::read_core_potentials("");
}

}  // namespace

OSTREL_FUZZ_ENTRY(run_on_stdin, read)
