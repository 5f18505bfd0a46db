#include "input/control_options.hpp"

#include <cstdlib>

#include "input/common_setup.hpp"
#include "input/library_file.hpp"
#include "support/capture.hpp"
#include "support/input_file.hpp"
#include "support/records.hpp"
#include "support/runtime_fixture.hpp"
#include "support/scratch_directory.hpp"

namespace ostrel {
namespace {

using testing::InputFile;

class ControlStep : public testing::RuntimeTest {
 protected:
  // Runs the control step on `text` in a fresh store and returns what it printed.
  std::string run(const std::string& text) {
    restart();
    return testing::captured_stdout([&] { control_step(InputFile(text).get()); });
  }
};

// The settings that decide what a run computes; element `k` of integer record `name`.
TEST_F(ControlStep, OptionsDecideTheRecordedSettings) {
  const struct { const char* input; const char* name; int k, value; } cases[] = {
      {"$control theory=script $end", "num_nd", 0, 0},  // the external program gives gradients
      {"$control theory=script $end", "fit", 0, 0},
      {"$control theory=script $end", "polariz", 1, 0},
      // The fitting kind: only one character counts.
      {"$control theory=dft fit=0 $end", "fit", 0, 0},
      {"$control theory=dft fit=j $end", "fit", 0, 'J'},
      {"$control theory=dft fit=superlongfittingkindname task=energy $end", "fit", 0, 'S'},
      {"$control nucleus=finite $end", "point", 0, 0},
      // Derivative mode; explicit analytic derivatives never read the step group, and a step
      // group without a derivative key asks for differences.
      {"$control theory=mp2 $end $d2edr2 length=0.005 steps=3,9 $end", "num_nd", 0, 2},
      {"$control theory=dft $end $d2edr2 steps=0,9 $end", "num_nd", 0, 2},
      {"$control theory=dft $end", "num_nd", 0, 0},
      {"$control derivative=numeric $end $d2edr2 displace=1 $end", "num_nd", 0, 1},
  };
  for (const auto& c : cases) {
    run(c.input);
    EXPECT_EQ(store_get<int>(c.name, 4 * c.k), c.value) << c.input << " " << c.name << "[" << c.k << "]";
  }
  run("$control theory=mp2 $end $d2edr2 length=0.005 $end");
  EXPECT_EQ(store_get<double>("num_dx"), 0.005);
  run("$control derivative=analytic $end $d2edr2 length=1 $end");
  EXPECT_EQ(store_get<double>("num_dx"), 0.001);
  EXPECT_FATAL(run("$control derivative=semi $end"), " SEMI?\n");
}

TEST_F(ControlStep, TextsAreUpperCasedAndSaveSplitsAtTheColon) {
  const auto texts = [] {
    std::vector<std::string> t;
    for (const char* name : {"task", "theory", "PRINT", "scfsave", "nosave"}) t.push_back(store_get_text(name));
    return t;
  };
  run("");
  EXPECT_EQ(texts(), (std::vector<std::string>{"GRADIENT", "DFT", "", "", ""}));
  run("$control task=optimize theory=script print=vectors+molden save=\"a.vec:b.vec\" $end");
  EXPECT_EQ(texts(), (std::vector<std::string>{"OPTIMIZE", "SCRIPT", "VECTORS+MOLDEN", "a.vec", "b.vec"}));
  run("$control save=only.vec $end");
  EXPECT_EQ(texts()[3] + ":" + texts()[4], "only.vec:");
}

TEST_F(ControlStep, StateWeightsAreNormalisedOverTheStateCount) {
  run("");
  EXPECT_EQ(testing::get_reals("weight"), std::vector<double>{1.0});
  run("$control state=0,2 weight=1,1 $end");
  EXPECT_EQ(testing::get_reals("weight"), (std::vector<double>{0.5, 0.5}));
  // Weights beyond the count take no part.
  run("$control state=0,3 weight=1,3,4,100 $end");
  EXPECT_EQ(testing::get_reals("weight"), (std::vector<double>{0.125, 0.375, 0.5}));
  EXPECT_FATAL(run("$control weight(1025)=1 $end"), "reading variable 'weight'");
  EXPECT_FATAL(run("$control state=0,1,2 $end"), "unknown name 2");
  EXPECT_FATAL(run("$control state(3)=2 $end"), "reading variable 'state'");
  EXPECT_FATAL(run("$control state=0,1025 $end"), "state=0,1025");
  EXPECT_FATAL(run("$control state=-1,2 $end"), "state=-1,2");
}

TEST_F(ControlStep, WavelengthsBecomeFrequenciesInHartreeUpToTheFirstNegative) {
  run("");
  EXPECT_EQ(testing::get_reals("wave"), std::vector<double>{0.0});
  EXPECT_EQ(run("$control wavelength=500 $end"), "\n wavelength= 500.00000 nm : energy=0.09112672 au\n");
  EXPECT_DOUBLE_EQ(store_get<double>("wave"), 1e7 / (500 * 219474.6));
  EXPECT_EQ(run("$control wavelength=0,589.3,-1,700 $end"), "\n wavelength= 589.30000 nm : energy=0.07731777 au\n");
  ASSERT_EQ(store_get<int>("nwave"), 2);
  EXPECT_EQ(store_get<double>("wave"), 0.0);
  EXPECT_DOUBLE_EQ(store_get<double>("wave", 8), 1e7 / (589.3 * 219474.6));
  EXPECT_FATAL(run("$control wavelength(129)=1 $end"), "reading variable 'wavelength'");
}

TEST_F(ControlStep, LibraryNameTakesTheBasisDirectoryFromTheEnvironment) {
  setenv("basis", "/opt/sets", 1);
  std::string out = run("$control basis=def2.lib $end");
  EXPECT_EQ(store_get_text("bfname"), "/opt/sets/def2.lib");
  EXPECT_NE(out.find(" library file: '/opt/sets/def2.lib'"), std::string::npos) << out;
  setenv("basis", std::string(100, 'd').c_str(), 1);
  EXPECT_FATAL(run("$control basis=" + std::string(40, 'b') + " $end"), "library file name too long");
  unsetenv("basis");
}

TEST(LibraryFile, LocalFilesWinThenTheShippedDirectoryAndUnknownNamesStay) {
  unsetenv("basis");
  testing::ScratchDirectory dir;
  EXPECT_EQ(library_file_name(""), "");
  EXPECT_EQ(library_file_name("no-such-library.txt"), "no-such-library.txt");
  std::fclose(std::fopen("local.lib", "w"));
  EXPECT_EQ(library_file_name("local.lib"), "local.lib");
  EXPECT_EQ(library_file_name("/abs/name.lib"), "/abs/name.lib");
  // Neither here nor named: the shipped basis directory.
  const std::string found = library_file_name("def2");
  ASSERT_TRUE(std::filesystem::exists(found)) << found;
  EXPECT_TRUE(std::filesystem::equivalent(found, std::filesystem::path(OSTREL_SOURCE_DIR) / "data/basis/def2"));
  setenv("basis", dir.path().c_str(), 1);
  EXPECT_EQ(library_file_name("local.lib"), dir.path() + "/local.lib");
  EXPECT_EQ(library_file_name("/abs/name.lib"), "/abs/name.lib");
  unsetenv("basis");
}

using TheoryOptionGroups = testing::RuntimeTest;

TEST_F(TheoryOptionGroups, CiIterationsDefaultToTheScfLimit) {
  testing::put_ints("iterations", {16, 16});
  read_ci_options(InputFile("$ci ndiis=3 ecut=1e-6 $end").get());
  EXPECT_EQ(testing::get_ints("ci_ndiis"), (std::vector<int>{3, 8}));
  EXPECT_EQ(testing::get_ints("ci_Niter"), std::vector<int>{16});
  EXPECT_EQ(store_get<int>("ci_v4"), 0);
  EXPECT_EQ(store_get<double>("ci_ecut"), 1e-6);
}

TEST_F(TheoryOptionGroups, SemiEmpiricalOrderAndOrbitals) {
  store_put("Natom", 1);
  read_nddo_guess_groups(InputFile("$order n=2,1 $end\n$ce n=2 c=1,2,3,4,99 e=-1,-2,-3 $end").get());
  const std::vector<int> order = testing::get_ints("guess_na");  // 16 orbital slots per atom
  EXPECT_EQ(order, (std::vector<int>{1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
  EXPECT_EQ(store_get<int>("guess_nc"), 2);
  EXPECT_EQ(testing::get_reals("guess_Ca"), (std::vector<double>{1, 2, 3, 4}));  // n=2: four values, two energies
  EXPECT_EQ(testing::get_reals("guess_ea"), (std::vector<double>{-1, -2}));
  EXPECT_FATAL(read_nddo_guess_groups(InputFile("$ce n=17 $end").get()), "n=17 outside 0..16");
  store_clear();
  store_put("Natom", 2);  // without groups: every slot of both atoms
  read_nddo_guess_groups(InputFile("").get());
  EXPECT_EQ((std::vector<std::int64_t>{store_get<int>("guess_nc"), store_size("guess_Ca")}),
            (std::vector<std::int64_t>{32, 8 * 32 * 32}));
}

}  // namespace
}  // namespace ostrel
