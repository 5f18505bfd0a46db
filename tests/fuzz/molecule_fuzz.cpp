// The molecule reader (single group, or the chain of a path task by the first byte), then
// the loader and the writer on whatever it accepted.
#include "fuzz_session.hpp"
#include "model/molecule_input.hpp"
#include "model/molecule_writer.hpp"
#include "runtime/store.hpp"

namespace {

bool chain = false;

void read(std::FILE*) {
  ostrel::store_put<int>("point", 1);
  if (chain) {
    ostrel::read_molecule_chain();
    return;
  }
  if (ostrel::read_molecule("Molecule", "", "molecule", 1, 1) != 0) return;
  ostrel::Molecule mol = ostrel::load_molecule(0, "Molecule");
  ostrel::write_molecule_group(mol, "mol> ", 0);
  ostrel::write_molecule_group(mol, "", 1);
  ostrel::release_molecule(mol);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  chain = size > 0 && data[0] == '#';
  ostrel::fuzz::run_on_stdin(data, size, read);
  return 0;
}
