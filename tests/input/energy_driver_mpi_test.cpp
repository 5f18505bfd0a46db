// The energy driver on several nodes: only the master holds the records, yet every node
// runs the same steps, and all of them stop together on an unconverged SCF.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "input/energy_driver.hpp"
#include "runtime/message_passing.hpp"
#include "runtime/node.hpp"
#include "runtime/store.hpp"
#include "support/fatal_trap.hpp"

namespace ostrel {
namespace {

int guesses = 0, scfs = 0, saves = 0, reports = 0, gradients = 0;
int saved_basis = -1;
std::string reported;
double scf_gmax = 0.0;

void fake_guess() { ++guesses; }
void fake_scf() {
  ++scfs;
  if (!is_master) return;  // results live in the master's store
  store_put("Energy", -1.125);
  const double dipole[3] = {0, 0, 0};
  store_write("Dipole", 0, dipole, sizeof dipole);
  store_write("scf_Gmax", 0, &scf_gmax, sizeof scf_gmax);
}
void fake_save(const char*, int n) {
  ++saves;
  saved_basis = n;
}
void fake_report(const char* theory) {
  ++reports;
  reported = theory;
}
void fake_gradient() {
  ++gradients;
  if (!is_master) return;
  const double g[3] = {0, 0, 0};
  store_write("Gradient", 0, g, sizeof g);
}

constexpr EnergyProcedures kFakes{fake_guess, fake_scf, fake_save, fake_report, fake_gradient};

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
  ::testing::internal::CaptureStdout();
  evaluate_with(1, kFakes);
  evaluate_with(1, kFakes);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(guesses, 1);
  EXPECT_EQ(scfs, 2);
  EXPECT_EQ(saves, 2);
  EXPECT_EQ(gradients, 2);
  EXPECT_EQ(saved_basis, 7);
  EXPECT_EQ(reported, "DFT");
  if (is_master) {
    EXPECT_EQ(store_get<int>("NEval"), 2);
  }
  EXPECT_EQ(out.find("eng>$Energy") != std::string::npos, is_master != 0);

  scf_gmax = 0.002;
  EXPECT_FATAL(evaluate_with(1, kFakes), is_master ? "SCF is far from convergence" : "");
  EXPECT_EQ(gradients, 2);
  if (is_master) {
    EXPECT_EQ(store_get<int>("NEval"), 2);
  }
}

}  // namespace
}  // namespace ostrel
