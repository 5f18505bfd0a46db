// The energy driver on several nodes: only the master holds the records, yet every node
// runs the same steps, and all of them stop together on an unconverged SCF.
#include <gtest/gtest.h>

#include <string>

#include "input/energy_driver.hpp"
#include "input/energy_fakes.hpp"
#include "runtime/node.hpp"
#include "runtime/store.hpp"
#include "support/capture.hpp"
#include "support/fatal_trap.hpp"

namespace ostrel {
namespace {

using testing::calls;

TEST(EnergyDriverMpi, EveryNodeFollowsTheMastersRecords) {
  if (is_master) {
    store_put_text("theory", "DFT", 64);
    store_put("Natom", 1);
    store_put("NEval", 0);
    const double field[3] = {0, 0, 0};
    store_write("field", 0, field, sizeof field);
    store_put("four", 0);
    store_put("Nbasis", 7);
  }
  calls.gmax = 0.0;
  const std::string out = testing::captured_stdout([] {
    evaluate_with(1, testing::kFakes);
    evaluate_with(1, testing::kFakes);
  });
  EXPECT_EQ(calls.guess, 1);
  EXPECT_EQ(calls.scf, 2);
  EXPECT_EQ(calls.save, 2);
  EXPECT_EQ(calls.gradient, 2);
  EXPECT_EQ(calls.saved_basis, 7);
  EXPECT_EQ(calls.reported_theory, "DFT");
  if (is_master) {
    EXPECT_EQ(store_get<int>("NEval"), 2);
  }
  EXPECT_EQ(out.find("eng>$Energy") != std::string::npos, is_master != 0);

  calls.gmax = 0.002;
  EXPECT_FATAL(testing::captured_stdout([] { evaluate_with(1, testing::kFakes); }),
               is_master ? "SCF is far from convergence" : "");
  EXPECT_EQ(calls.gradient, 2);
  if (is_master) {
    EXPECT_EQ(store_get<int>("NEval"), 2);
  }
}

}  // namespace
}  // namespace ostrel
