#pragma once
// NDDO evaluations on test molecules with the shipped parameter files.

#include "input/group.hpp"
#include "models/nddo/nddo_model_energy.hpp"
#include "models/nddo/nddo_parameters_read.hpp"
#include "models/nddo/nddo_parameters_write.hpp"
#include "runtime/records.hpp"
#include "support/model_input.hpp"

namespace ostrel::testing {

inline std::string nddo_file(const char* model) {
  return std::string(OSTREL_SOURCE_DIR) + "/data/nddo/" + model + ".nddo";
}

// The "$nddo" text of a parameter block, and the block read back from such text.
inline std::string nddo_written(const NddoParameters& p) {
  std::FILE* f = std::tmpfile();
  write_nddo_parameters(p, "$nddo", f);
  std::rewind(f);
  std::string text;
  for (int c; (c = std::getc(f)) != EOF;) text += static_cast<char>(c);
  std::fclose(f);
  return text;
}

inline void nddo_parse(const std::string& text, NddoParameters& p) {
  InputFile in(text);
  ASSERT_EQ(find_group(in.get(), "nddo", 1), 0);
  captured_stdout([&] { parse_nddo_group(in.get(), p); });
}

class NddoTest : public RuntimeTest {
 protected:
  // Reads the model's parameters into "nddo_data" and a copy here.
  void use_model(const char* model) {
    captured_stdout([&] { read_nddo_parameters(nddo_file(model).c_str(), "nddo_data"); });
    data_.resize(kNddoSlots);
    record_read(rec::nddo_data, data_.data(), kNddoSlots);
  }
  void use_molecule(const char* atoms, int charge = 0, int multiplicity = 1) {
    captured_stdout([&] { read_test_molecule(molecule_group(atoms, charge, multiplicity)); });
  }
  // Energy of the molecule in "Molecule", optionally with its gradient and moved atoms.
  NddoResult evaluate(std::vector<double>* gradient = nullptr, const std::vector<double>* xyz = nullptr,
                      const double* field = nullptr, const int* order = nullptr) {
    const testing::LoadedMolecule mol;
    if (xyz)
      for (std::size_t k = 0; k < xyz->size(); ++k) mol.xyz[k] = (*xyz)[k];
    if (gradient) gradient->assign(3 * mol.n_atoms, 0.0);
    NddoResult r{};
    captured_stdout([&] {
      r = nddo_model_energy(mol, data_.data(), field, nullptr, order, nullptr, gradient ? gradient->data() : nullptr, 0);
    });
    return r;
  }
  std::vector<NddoElement> data_;
};

}  // namespace ostrel::testing
