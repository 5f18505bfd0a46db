// The initial guess on several nodes (run under mpirun -np 2, 3): the failure of a vector read
// stops every node (the guess itself runs in the whole-run SCF tests on several nodes).
#include <gtest/gtest.h>

#include <string>

#include "input/element_table.hpp"
#include "input/pending_modules.hpp"
#include "runtime/node.hpp"
#include "runtime/store.hpp"
#include "scf/xc/xc_functional.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"
#include "support/model_input.hpp"
#include "support/molecules.hpp"

namespace ostrel {
namespace {

const std::string kDef2 = std::string(OSTREL_SOURCE_DIR) + "/data/basis/def2";

void prepare(int read) {
  if (!is_master) return;
  testing::read_test_molecule(testing::molecule_group(testing::kWaterAtoms));
  const int none[2] = {0, 0};
  store_write("Necp", 0, none, 8);
  testing::read_program_basis(kDef2);
  testing::read_program_basis(kDef2, true);
  testing::InputFile group("");
  testing::captured_stdout([&] { build_element_table("Atoms", group.get()); });
  const double p[32] = {};
  const std::int32_t n[5] = {};
  XcFunctional f = xc_cleared(p, n);
  xc_lookup("PBE", f);
  xc_store_write(f);
  const int five[2] = {5, 5};
  store_write("Na", 0, five, 8);
  store_write("Nb", 0, five, 8);
  store_put("restrict", 1);
  store_put("closed", 1);
  store_put("four", 0);
  store_put("guess.mix", 0);
  store_put("guess.loc", 1);
  store_put("guess.read", read);
  store_put_text("PRINT", "", 64);
  store_put_text("scfsave", "/nonexistent/vectors", 128);
}

TEST(GuessMpi, MissingVectorFileStopsEveryNode) {
  prepare(1);
  testing::captured_stdout([] { EXPECT_FATAL(initial_guess(), " error..."); });
}

}  // namespace
}  // namespace ostrel
