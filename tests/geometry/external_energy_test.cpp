// The theory "script" through the energy driver: the exchange files' layout, the shipped
// Morse program's energy, gradient and Hessian, and every failure stopping with one line
// and no exchange file left behind.

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "input/energy_driver.hpp"
#include "runtime/records.hpp"
#include "support/matrices.hpp"
#include "support/model_input.hpp"
#include "support/scratch_directory.hpp"

namespace ostrel {
namespace {

class ExternalEnergy : public testing::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    // H2 at 0.8 angstrom.
    testing::read_test_molecule(testing::molecule_group(" 1 0 0 0\n 1 0 0 0.8\n"));
    store_put_text("theory", "SCRIPT", 64);
    store_put("NEval", 0);
    testing::put_reals("Dipole", std::vector<double>(9, 0.0));
    testing::put_reals("Polariz", std::vector<double>(33, 0.0));
    testing::put_reals("DipoleX", std::vector<double>(18, 0.0));
  }
  void TearDown() override {
    unsetenv("energy");
    RuntimeTest::TearDown();
  }
  std::string run(const std::string& command, int level) {
    setenv("energy", command.c_str(), 1);
    return testing::captured_stdout([&] { evaluate(level); });
  }
  bool exchange_files_left() {
    for (const auto& f : std::filesystem::directory_iterator(dir_.path()))
      if (f.path().filename().string()[0] == 'z') return true;
    return false;
  }
  std::string morse() { return "sh " + std::string(OSTREL_SOURCE_DIR) + "/examples/morse_diatomic.sh"; }
  std::string out_name() {
    char name[32];
    std::snprintf(name, sizeof name, "z%d.out: ", static_cast<int>(getpid()));
    return name;
  }
  testing::ScratchDirectory dir_;
};

TEST_F(ExternalEnergy, MorseProgramGivesEnergyGradientAndHessian) {
  const std::string out = run("tee copy.in | " + morse(), 2);
  std::ifstream copy("copy.in");
  std::stringstream text;
  text << copy.rdbuf();
  const double r = 0.8 * 1.8897259885789233;
  char expected[200];
  std::snprintf(expected, sizeof expected, " 2\n 0 1\n 2\n   1 %20.13e %20.13e %20.13e\n   1 %20.13e %20.13e %20.13e\n",
                0.0, 0.0, 0.0, 0.0, 0.0, r);
  EXPECT_EQ(text.str(), expected);

  const double De = 0.1745, a = 1.0282, ex = std::exp(-a * (r - 1.4011));
  const double v = De * (1 - ex) * (1 - ex), f1 = 2 * De * a * ex * (1 - ex), f2 = 2 * De * a * a * ex * (2 * ex - 1);
  // Hessian: xx and zz of atom 1, z of atom 2 against z of atom 1.
  const std::vector<double> got = {record_get(rec::Energy),     record_get(rec::Gradient, 2),
                                   record_get(rec::Gradient, 5), record_get(rec::Hessian, 0),
                                   record_get(rec::Hessian, 5),  record_get(rec::Hessian, 17)};
  EXPECT_LT(testing::max_difference(got, {v, -f1, f1, f1 / r, f2, -f2}), 1e-12);
  EXPECT_EQ(record_get(rec::NEval), 1);
  std::snprintf(expected, sizeof expected, "\n\n Energy=%16.10lf\n\n", v);
  EXPECT_NE(out.find(expected), std::string::npos) << out;
  EXPECT_NE(out.find("eng> H="), std::string::npos);
  EXPECT_FALSE(exchange_files_left());
}

TEST_F(ExternalEnergy, FailuresStopWithOneLineAndRemoveBothFiles) {
  const struct { std::string command; int level; std::string message; } cases[] = {
      {"cat > /dev/null; exit 3", 1, " command failed"},
      {"cat > /dev/null # a comment", 1, out_name() + "energy missing"},
      {"printf '1.0 2.0'", 0, out_name() + "gradient component 2 of 6 missing"},
      {"printf '1.0 0 0 abc 0 0 0'", 1, out_name() + "gradient component 3 of 6 is not a number ('abc')"},
      {"printf '1.0 0 0 1.5e 0 0 0'", 1, out_name() + "gradient component 3 of 6 is not a number ('1.5e')"},
      {"printf 'nan'", 1, out_name() + "energy is not a number ('nan')"},
      {morse() + " | head -n 10", 2, out_name() + "Hessian element 4 of 21 missing"},
      {"rm -f z$PPID.out", 1, out_name() + "missing (the command wrote no output file)"},
      // An empty variable means the command "energy", which does not exist here.
      {"", 1, " command failed"},
  };
  for (const auto& c : cases) {
    EXPECT_FATAL(run(c.command, c.level), c.message + "\n");
    EXPECT_FALSE(exchange_files_left()) << c.command;
  }
}

}  // namespace
}  // namespace ostrel
