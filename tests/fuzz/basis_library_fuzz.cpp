// The basis library reader on a fixed molecule; the first byte picks the set half, the
// relativistic mode and the normalisation metric. Accepted sets go through the loader.
#include "fuzz_session.hpp"
#include "model/basis_input.hpp"
#include "model/basis_record.hpp"
#include "model_fixture.hpp"

namespace {

int mode = 0;

void read(std::FILE*) {
  std::FILE* library = stdin;
  ostrel::fuzz::read_fixed_molecule();
  stdin = library;
  int half = mode & 1;
  int relativistic = (mode >> 1) % 3;
  int coulomb = (mode >> 3) & 1;
  const char* group = (mode >> 4) & 1 ? "basis2" : "basis";
  ostrel::read_basis("", group, "Basis", "Nbasis", "n_basis", half, relativistic, coulomb);
  ostrel::Molecule mol = ostrel::load_molecule(0, "Molecule");
  ostrel::Basis basis = ostrel::load_basis(0, "Basis", mol);
  ostrel::release_basis(basis);
  ostrel::release_molecule(mol);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mode = size > 0 ? data[0] : 0;
  ostrel::fuzz::run_on_stdin(data, size, read);
  return 0;
}
