#pragma once
// Molecules and basis sets read the way the program reads them, without printing; with the
// shared test molecules and the store fixture the tests that read them use.
#include "integrals/one_electron_driver.hpp"
#include "model/basis_input.hpp"
#include "model/basis_record.hpp"
#include "model/ecp_input.hpp"
#include "model/molecule_input.hpp"
#include "runtime/node.hpp"
#include "support/capture.hpp"
#include "support/input_file.hpp"
#include "support/molecules.hpp"
#include "support/records.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel::testing {

inline std::string basis_library(const std::string& family) {
  return std::string(OSTREL_SOURCE_DIR) + "/data/basis/" + family;
}

// The first "$molecule" group of `text` into record "Molecule".
inline void read_test_molecule(const std::string& text) {
  with_stdin(text, [] { EXPECT_EQ(read_molecule("Molecule", "", "molecule", 1, 0), 0); });
}

// A basis (group "basis") or fitting set (group "basis2") into `record`, with its function
// count in "N<record>" and atom offsets in "n_<record>"; `input` stands for the input file.
inline std::string read_test_basis(const std::string& library, const char* group, const char* record,
                                   int half = 0, int relativistic = 0, const std::string& input = "") {
  const std::string count = std::string("N") + record, offsets = std::string("n_") + record;
  const int coulomb = std::string(group) == "basis2";
  return captured_stdout([&] {
    with_stdin(input, [&] {
      read_basis(library.c_str(), group, record, count.c_str(), offsets.c_str(), half, relativistic, coulomb);
    });
  });
}

// The program's own records: "Basis" with "Nbasis" and "n_basis", or the fitting set "Basis2"
// with "Nfit" and "n_fit", normalised in the Coulomb metric unless `coulomb` is false.
inline void read_program_basis(const std::string& library, bool fit = false, bool coulomb = true) {
  captured_stdout([&] {
    with_stdin("", [&] {
      if (fit)
        read_basis(library.c_str(), "basis2", "Basis2", "Nfit", "n_fit", 0, 0, coulomb);
      else
        read_basis(library.c_str(), "basis", "Basis", "Nbasis", "n_basis", 0, 0, 0);
    });
  });
}

// How read_test_model reads the fitting set "Basis2": not at all, or normalised in the overlap
// or the Coulomb metric.
enum class FitSet { none, overlap, coulomb };

// A "$molecule" group into "Molecule", then from library `family` its core potentials (`ecp`;
// otherwise "Necp" says there are none), the basis "Basis" and the fitting set "Basis2".
inline void read_test_model(const std::string& molecule, FitSet fit = FitSet::coulomb,
                            const std::string& family = "def2", bool ecp = false) {
  const std::string library = basis_library(family);
  read_test_molecule(molecule);
  if (ecp)
    captured_stdout([&] { read_core_potentials(library.c_str()); });
  else
    store_write("Necp", 0, std::vector<int>{0, 0}.data(), 8);
  read_program_basis(library);
  if (fit != FitSet::none) read_program_basis(library, true, fit == FitSet::coulomb);
}

// A stored molecule, loaded (on every node with `broadcast`) for the lifetime of the object.
struct LoadedMolecule : Molecule {
  explicit LoadedMolecule(const char* record = "Molecule", int broadcast = 0)
      : Molecule(load_molecule(broadcast, record)) {}
  ~LoadedMolecule() { release_molecule(*this); }
  LoadedMolecule(const LoadedMolecule&) = delete;
  LoadedMolecule& operator=(const LoadedMolecule&) = delete;
};

// The stored molecule and one of its bases, released in stack order.
struct LoadedBasis {
  explicit LoadedBasis(const char* record, const char* molecule = "Molecule", int broadcast = 0)
      : mol(molecule, broadcast), basis(load_basis(broadcast, record, mol)) {}
  ~LoadedBasis() { release_basis(basis); }
  LoadedBasis(const LoadedBasis&) = delete;
  LoadedBasis& operator=(const LoadedBasis&) = delete;
  LoadedMolecule mol;
  Basis basis;
};

// Coordinates (bohr) of the stored "Molecule".
inline std::vector<double> current_geometry() {
  const LoadedMolecule mol;
  return {mol.xyz, mol.xyz + 3 * mol.n_atoms};
}

// The packed overlap matrix "S" of "Basis", built by every node (empty off the master).
inline std::vector<double> overlap_matrix() {
  OneElectronRecords r;
  r.hamiltonian = r.kinetic = r.moments = nullptr;
  const double field[3] = {0, 0, 0};
  captured_stdout([&] { one_electron_integrals(r, nullptr, field, nullptr, 0, 0.0); });
  return is_master ? get_reals("S") : std::vector<double>{};
}

}  // namespace ostrel::testing
