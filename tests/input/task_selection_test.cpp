// Task selection: the routing table, theory classes and availability, print options, and
// whole selections from an input file.
#include <utility>

#include "input/common_setup.hpp"
#include "input/task_dispatch.hpp"
#include "input/theory_class.hpp"
#include "support/capture.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

// Exact names win over prefixes; the control step upper-cases first.
TEST(TaskDispatch, ExactNamesBeforePrefixes) {
  const std::pair<const char*, const char*> cases[] = {
      {"IRC4", "IRC4"}, {"IRC", "IRC"},         {"TEST_V44BBA", "TEST_V44BBA"}, {"TEST_ANYTHING", "TEST"},
      {"MULTIPLY_LARGE", "MULTIPLY"}, {"OPTIMIZE_TS", nullptr}, {"ENERGYX", nullptr}, {"energy", nullptr}};
  for (const auto& [task, route] : cases) {
    const TaskRoute* r = find_task_route(task);
    EXPECT_STREQ(r ? r->name : nullptr, route) << task;
  }
}

TEST(TaskDispatch, PropertyAndTestTasksWithoutCodeStopWithTheirName) {
  for (const char* task : {"DIPOLE", "POLARIZABILITY", "NMR", "COMPARE", "NUMERIC", "RITEST",
                           "RIOPT", "TEST_V44BBA"}) {
    std::string message = std::string("task ") + task + " is not available in this build";
    EXPECT_FATAL(require_task_available(task), message);
    EXPECT_FATAL(run_task(task), message);
  }
}

TEST(TaskDispatch, UnknownTaskRunsNothing) {
  testing::FatalTrap trap;
  for (const char* task : {"OPTIMIZE_TS", "NONSENSE"}) EXPECT_NO_THROW(run_task(task));
  for (const char* task : {"NONSENSE", "OPTIMIZE"}) EXPECT_NO_THROW(require_task_available(task));
}

TEST(TaskDispatch, TestTasksEndTheRunWithSuccess) {
  EXPECT_EXIT(run_task("TEST_SOMETHING"), ::testing::ExitedWithCode(0), "");
}

TEST(TheoryAvailability, OnlyNonRelativisticDftAndTheModelsRun) {
  {
    testing::FatalTrap trap;
    for (const char* theory : {"DFT", "SCRIPT", "MM", "NDDO"}) EXPECT_NO_THROW(require_theory_available(theory, 0));
  }
  for (const char* theory : {"TDDFT", "LEDFT", "OSDFT", "DFCIS", "DFT_CNO", "RIDFT", "MP2", "CCSD", "CIS"})
    EXPECT_FATAL(require_theory_available(theory, 0), std::string("theory ") + theory + " is not available in this build");
  for (int four : {1, 2, 3, 4})
    EXPECT_FATAL(require_theory_available("DFT", four),
                 "theory DFT with four=" + std::to_string(four) + " is not available");
}

// Only the prefix families go beyond the listed names.
TEST(TheoryClass, PrefixesOpenWholeFamiliesAndNamesCompareExactly) {
  const struct { const char *theory, *cls; int in; } cases[] = {
      {"R_ANYTHING", "GRID", 1}, {"RIMP2", "FIT", 1}, {"R_X", "FIT", 0}, {"RIMP2", "GRID", 0},
      {"DFTX", "DFT", 0},        {"DFT", "dft", 0},   {"DFT", "NOSUCHCLASS", 0}};
  for (const auto& c : cases) EXPECT_EQ(theory_in_class(c.theory, c.cls), c.in) << c.theory << " " << c.cls;
}

// "+" joins words, "-" disables, a blank separates nothing; only the first occurrence and
// the first 64 bytes count.
using PrintOption = testing::RuntimeTest;
TEST_F(PrintOption, WordsSignsAndLimits) {
  const struct { std::string text; const char* word; int value; } cases[] = {
      {"VECTORS+MOLDEN", "VECTORS", 1},     {"VECTORS+MOLDEN", "MOLDEN", 1},
      {"VECTORS-ENERGIES", "VECTORS", 1},   {"VECTORS-ENERGIES", "ENERGIES", -1},
      {"VECTORS MOLDEN", "MOLDEN", 0},      {"VECTORS MOLDEN", "BONDS", 0},
      {"XMOLDEN+MOLDEN", "MOLDEN", 0},      {"-MOLDEN+MOLDEN", "MOLDEN", -1},
      {std::string(63, '+') + "A", "A", 1}, {std::string(64, '+') + "A", "A", 0},
      {"", "A", 0},                         {"A", "", 0}};
  for (const auto& c : cases) {
    store_put_text("PRINT", c.text, 128);
    EXPECT_EQ(print_option("PRINT", c.word, 1), c.value) << c.text << " " << c.word;
    store_free("PRINT");
  }
}

class SelectTask : public testing::RuntimeTest {
 protected:
  // Runs task selection in a fresh store on `input` as the program's input file; returns
  // what it printed.
  std::string run(const std::string& input) {
    restart();
    return testing::captured_stdout([&] { testing::with_stdin(input, [] { select_task(); }); });
  }
};

// No molecule is given: each stop must come before the set-up would ask for one.
TEST_F(SelectTask, RequestsWithoutCodeStopBeforeTheSetUp) {
  EXPECT_FATAL(run("$control task=dipole $end"), "task DIPOLE is not available in this build");
  EXPECT_FATAL(run("$control task=energy theory=tddft $end"), "theory TDDFT is not available");
  EXPECT_FATAL(run("$control theory=dft four=2 $end"), "theory DFT with four=2 is not available");
  EXPECT_FATAL(run("$control derivative=semi $end"), " SEMI?");
}

const char* kHelium = "$molecule\n cartesian\n 2 0.0 0.0 0.0\n$end\n";

TEST_F(SelectTask, ExternalProgramSetUpReadsNoBasisAndFitsNothing) {
  const std::string out =
      run(std::string("$control task=setup-only theory=script $end\n") + kHelium + "$energy e=-76.5 $end\n");
  EXPECT_EQ(store_get<int>("Nbasis") + store_get<int>("Necp") + store_get<int>("fit") + store_get<int>("Nfit"), 0);
  EXPECT_EQ((std::vector<std::int64_t>{store_exists("Basis"), store_size("Atoms"), store_size("Gradient")}),
            (std::vector<std::int64_t>{0, 11872, 8 * 3}));
  EXPECT_EQ(store_get<double>("Energy"), -76.5);
  EXPECT_NE(out.find(" Energy provided (-7.650000000000000e+01)."), std::string::npos) << out;
}

// Optimizer-like task names read the optimizer's group, which this build cannot serve.
TEST_F(SelectTask, OptimizerLikeTaskNamesReadTheOptimizerGroupButRunNothing) {
  const std::string out = run(std::string("$control task=optimize_ts theory=script $end\n") + kHelium);
  EXPECT_NE(out.find(" Geometry optimization options:"), std::string::npos) << out;
  EXPECT_EQ((std::vector<int>{store_get<int>("Opt.step"), store_get<int>("NEval")}), (std::vector<int>{-1, 0}));
}

}  // namespace
}  // namespace ostrel
