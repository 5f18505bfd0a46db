#pragma once
// Fixture of the guess tests: a molecule in def2-SVP with its fitting set, the element
// table and a functional, and the records the SCF set-up leaves for the guess.
#include "input/element_table.hpp"
#include "scf/guess/atomic_calculations.hpp"
#include "scf/guess/guess_driver.hpp"
#include "scf/xc/xc_full_tensors.hpp"
#include "support/model_input.hpp"

namespace ostrel {

// Its set-up functions are static: the node tests call them without the fixture.
class Guess : public testing::RuntimeTest {
 public:
  // A molecule (lines "Z x y z" in angstrom) in def2-SVP with its fitting set, the element
  // table and a functional; core potentials when `ecp`.
  static void prepare(const std::string& atoms, const char* functional, bool ecp = false, int charge = 0,
               int multiplicity = 1, const char* element_group = "") {
    char head[96];
    std::snprintf(head, sizeof head, "$molecule charge=%d multiplicity=%d\n cartesian\n set=def2-SVP\n",
                  charge, multiplicity);
    const std::string text = std::string(head) + atoms + "$end\n";
    testing::read_test_model(text, testing::FitSet::coulomb, "def2", ecp);
    testing::captured_stdout([&] { build_element_table("Atoms", testing::InputFile(element_group).get()); });
    xc_store_write(testing::named_functional(functional));
  }
  // Records the SCF set-up and the guess options leave for the guess.
  static void options(int na, int nb, int restricted, int mix = 0, int localize = 0, int read = 0,
               const char* print = "", const char* save = "") {
    testing::put_ints("Na", {na, na});
    testing::put_ints("Nb", {nb, nb});
    store_put("restrict", restricted);
    store_put("closed", restricted && na == nb ? 1 : 0);
    store_put("four", 0);
    store_put("guess.mix", mix);
    store_put("guess.loc", localize);
    store_put("guess.read", read);
    store_put_text("PRINT", print, 64);
    store_put_text("scfsave", save, 128);
    const int n = store_get<int>("Nbasis");
    std::vector<int> order(2 * n);
    for (int i = 0; i < 2 * n; ++i) order[i] = i;
    store_write("guess_na", 0, order.data(), 8L * n);
    store_write("guess_nb", 0, order.data(), 8L * n);
  }
  static std::string guess() { return testing::captured_stdout(initial_guess); }
  static std::string atoms() { return testing::captured_stdout(atomic_calculations); }
};

}  // namespace ostrel
