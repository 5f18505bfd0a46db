#include "input/control_options.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "input/library_file.hpp"
#include "runtime/store.hpp"
#include "support/fatal_trap.hpp"
#include "support/input_file.hpp"
#include "support/runtime_fixture.hpp"

namespace ostrel {
namespace {

using testing::InputFile;

class ControlStep : public testing::RuntimeTest {
 protected:
  // Runs the control step on `text` and returns what it printed.
  std::string run(const std::string& text) {
    InputFile input(text);
    ::testing::internal::CaptureStdout();
    try {
      control_step(input.get());
    } catch (...) {
      ::testing::internal::GetCapturedStdout();
      throw;
    }
    return ::testing::internal::GetCapturedStdout();
  }
  int int_at(const char* name, int k = 0) { return store_get<int>(name, 4 * k); }
  double real_at(const char* name, int k = 0) { return store_get<double>(name, 8 * k); }
  std::vector<double> reals(const char* name) {
    std::vector<double> v(static_cast<std::size_t>(store_size(name) / 8));
    store_get_array<double>(name, std::span<double>(v));
    return v;
  }
};

TEST_F(ControlStep, WithoutControlGroupAnalyticDftGradientWithPointNucleiAndCoulombFit) {
  EXPECT_EQ(run("$molecule\n$end\n"), "");
  EXPECT_EQ(store_get_text("task"), "GRADIENT");
  EXPECT_EQ(store_get_text("theory"), "DFT");
  EXPECT_EQ(int_at("num_nd"), 0);
  EXPECT_EQ(int_at("point"), 1);
  EXPECT_EQ(int_at("fit"), 'V');
  EXPECT_EQ(int_at("dual"), 0);
  EXPECT_EQ(int_at("nwave"), 1);
  EXPECT_EQ(reals("wave"), std::vector<double>{0.0});
  EXPECT_EQ(int_at("state", 0), 0);
  EXPECT_EQ(int_at("state", 1), 1);
  EXPECT_EQ(reals("weight"), std::vector<double>{1.0});
  EXPECT_EQ(int_at("polariz", 0), 0);
  EXPECT_EQ(int_at("polariz", 1), 1);
  EXPECT_EQ(real_at("num_dx"), 0.001);
  EXPECT_EQ(int_at("num_kd", 0), 0);
  EXPECT_EQ(int_at("num_kd", 1), -1);
  EXPECT_EQ(reals("field"), (std::vector<double>{0, 0, 0}));
  EXPECT_EQ(store_get_text("bfname"), "");
  EXPECT_EQ(store_size("PRINT"), 128);
  EXPECT_EQ(store_size("task"), 64);
}

TEST_F(ControlStep, WritesTheRecordsInTheirFixedOrder) {
  run("");
  // The store frees only the newest record, so this succeeds only in creation order.
  const char* order[] = {"fit",    "task",   "theory", "state", "weight",  "four",
                         "point",  "dual",   "field",  "num_nd", "num_dx", "num_kd",
                         "nwave",  "wave",   "polariz", "PRINT", "NEval",  "grid",
                         "magnetic", "scfsave", "nosave", "bfname"};
  for (int i = static_cast<int>(std::size(order)) - 1; i >= 0; --i) {
    EXPECT_EQ(store_exists(order[i]), 1) << order[i];
    store_free(order[i]);
  }
}

TEST_F(ControlStep, TextsAreUpperCasedAndSaveSplitsAtTheColon) {
  run("$control task=optimize theory=script print=vectors+molden save=\"a.vec:b.vec\" $end");
  EXPECT_EQ(store_get_text("task"), "OPTIMIZE");
  EXPECT_EQ(store_get_text("theory"), "SCRIPT");
  EXPECT_EQ(store_get_text("PRINT"), "VECTORS+MOLDEN");
  EXPECT_EQ(store_get_text("scfsave"), "a.vec");
  EXPECT_EQ(store_get_text("nosave"), "b.vec");
  EXPECT_EQ(int_at("num_nd"), 0);  // the external program gives gradients
  EXPECT_EQ(int_at("fit"), 0);
  EXPECT_EQ(int_at("polariz", 1), 0);

  run("$control save=only.vec $end");
  EXPECT_EQ(store_get_text("scfsave"), "only.vec");
  EXPECT_EQ(store_get_text("nosave"), "");
}

TEST_F(ControlStep, ExcitedStateTheoriesCountTheGroundStateAndSixStates) {
  run("$control theory=tddft $end");
  EXPECT_EQ(int_at("state", 0), 1);
  EXPECT_EQ(int_at("state", 1), 6);
  EXPECT_EQ(reals("weight"), (std::vector<double>{0, 1, 0, 0, 0, 0}));
}

TEST_F(ControlStep, ExcitedStateCountGrowsToHoldTheRequestedState) {
  run("$control theory=tddft state=3 $end");
  EXPECT_EQ(int_at("state", 1), 6);
  store_close();
  store_open("", -64);
  run("$control theory=tddft state=6 $end");
  EXPECT_EQ(int_at("state", 0), 6);
  EXPECT_EQ(int_at("state", 1), 7);
  EXPECT_EQ(reals("weight")[6], 1.0);
  store_close();
  store_open("", -64);
  run("$control theory=cis state=0,2 $end");
  EXPECT_EQ(int_at("state", 0), 1);
  EXPECT_EQ(int_at("state", 1), 2);
}

TEST_F(ControlStep, WeightsAreNormalisedOverTheStateCount) {
  run("$control state=0,2 weight=1,1 $end");
  EXPECT_EQ(reals("weight"), (std::vector<double>{0.5, 0.5}));
  store_close();
  store_open("", -64);
  // Weights beyond the count take no part.
  run("$control state=0,3 weight=1,3,4,100 $end");
  EXPECT_EQ(reals("weight"), (std::vector<double>{0.125, 0.375, 0.5}));
}

TEST_F(ControlStep, StateListsBeyondTheirRoomAreRejected) {
  EXPECT_FATAL(run("$control weight(1025)=1 $end"), "reading variable 'weight'");
  EXPECT_FATAL(run("$control state=0,1,2 $end"), "unknown name 2");
  EXPECT_FATAL(run("$control state(3)=2 $end"), "reading variable 'state'");
  EXPECT_FATAL(run("$control state=0,1025 $end"), "state=0,1025");
  EXPECT_FATAL(run("$control state=-1,2 $end"), "state=-1,2");
  EXPECT_FATAL(run("$control theory=tddft state=1024 $end"), "state=1024,1025");
}

TEST_F(ControlStep, WavelengthsBecomeFrequenciesInHartree) {
  std::string out = run("$control wavelength=500 $end");
  EXPECT_EQ(out, "\n wavelength= 500.00000 nm : energy=0.09112672 au\n");
  EXPECT_EQ(int_at("nwave"), 1);
  EXPECT_DOUBLE_EQ(real_at("wave"), 1e7 / (500 * 219474.6));
}

TEST_F(ControlStep, WavelengthListStopsAtTheFirstNegativeAndKeepsStaticEntries) {
  std::string out = run("$control wavelength=0,589.3,-1,700 $end");
  EXPECT_EQ(out, "\n wavelength= 589.30000 nm : energy=0.07731777 au\n");
  ASSERT_EQ(int_at("nwave"), 2);
  EXPECT_EQ(real_at("wave", 0), 0.0);
  EXPECT_DOUBLE_EQ(real_at("wave", 1), 1e7 / (589.3 * 219474.6));
  EXPECT_FATAL(run("$control wavelength(129)=1 $end"), "reading variable 'wavelength'");
}

TEST_F(ControlStep, FittingKindFollowsTheTheoryAndTheRiPrefixWins) {
  struct Case {
    const char* input;
    int fit;
  } cases[] = {
      {"$control theory=ridft fit=0 $end", 'V'},
      {"$control theory=rihf $end", 'V'},
      {"$control theory=mp2 $end", 0},
      {"$control theory=dft fit=0 $end", 0},
      {"$control theory=dft fit=j $end", 'J'},
      // Only the first character counts; a long word must not spill over.
      {"$control theory=dft fit=superlongfittingkindname task=energy $end", 'S'},
  };
  for (const Case& c : cases) {
    store_close();
    store_open("", -64);
    run(c.input);
    EXPECT_EQ(int_at("fit"), c.fit) << c.input;
  }
  EXPECT_EQ(store_get_text("task"), "ENERGY");
}

TEST_F(ControlStep, NucleusModelDependsOnFourUnlessNamed) {
  struct Case {
    const char* input;
    int point;
  } cases[] = {
      {"$control four=1 $end", 0},
      {"$control four=1 nucleus=point $end", 1},
      {"$control nucleus=finite $end", 0},
      {"$control four=0 $end", 1},
  };
  for (const Case& c : cases) {
    store_close();
    store_open("", -64);
    run(c.input);
    EXPECT_EQ(int_at("point"), c.point) << c.input;
  }
  EXPECT_EQ(int_at("four"), 0);
}

TEST_F(ControlStep, DerivativeModeAndTheNumericalStepGroup) {
  run("$control theory=mp2 $end $d2edr2 length=0.005 steps=3,9 $end");
  EXPECT_EQ(int_at("num_nd"), 2);
  EXPECT_EQ(real_at("num_dx"), 0.005);
  EXPECT_EQ(int_at("num_kd", 0), 3);
  EXPECT_EQ(int_at("num_kd", 1), 9);
  EXPECT_EQ(int_at("dual"), 0);
  store_close();
  store_open("", -64);
  run("$control derivative=numeric $end $d2edr2 displace=1 $end");
  EXPECT_EQ(int_at("num_nd"), 1);
  store_close();
  store_open("", -64);
  // Analytic derivatives never read the step group.
  run("$control derivative=analytic theory=ccd&mp2 $end $d2edr2 displace=1 length=1 $end");
  EXPECT_EQ(int_at("num_nd"), 0);
  EXPECT_EQ(real_at("num_dx"), 0.001);
  EXPECT_EQ(int_at("dual"), 1);
}

TEST_F(ControlStep, UnknownDerivativeStopsWithTheUpperCasedWord) {
  EXPECT_FATAL(run("$control derivative=semi $end"), " SEMI?\n");
}

TEST_F(ControlStep, LibraryNameTakesTheBasisDirectoryFromTheEnvironment) {
  setenv("basis", "/opt/sets", 1);
  std::string out = run("$control basis=def2.lib $end");
  unsetenv("basis");
  EXPECT_EQ(store_get_text("bfname"), "/opt/sets/def2.lib");
  EXPECT_NE(out.find(" library file: '/opt/sets/def2.lib'"), std::string::npos) << out;
}

TEST_F(ControlStep, OverlongLibraryNameIsRejected) {
  setenv("basis", std::string(100, 'd').c_str(), 1);
  EXPECT_FATAL(run("$control basis=" + std::string(40, 'b') + " $end"), "library file name too long");
  unsetenv("basis");
}

// Changes into a fresh empty directory for the lifetime of the object.
class ScratchDirectory {
 public:
  ScratchDirectory() : old_(std::filesystem::current_path()) {
    char tmpl[] = "/tmp/ostrel_libXXXXXX";
    path_ = mkdtemp(tmpl);
    std::filesystem::current_path(path_);
  }
  ~ScratchDirectory() {
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(path_);
  }
  const std::string& path() const { return path_; }

 private:
  std::filesystem::path old_;
  std::string path_;
};

TEST(LibraryFile, WithoutEnvironmentLocalFilesWinAndUnknownNamesStay) {
  unsetenv("basis");
  ScratchDirectory dir;
  EXPECT_EQ(library_file_name(""), "");
  EXPECT_EQ(library_file_name("no-such-library.txt"), "no-such-library.txt");
  std::FILE* f = std::fopen("local.lib", "w");
  std::fclose(f);
  EXPECT_EQ(library_file_name("local.lib"), "local.lib");
  EXPECT_EQ(library_file_name("/abs/name.lib"), "/abs/name.lib");
  setenv("basis", dir.path().c_str(), 1);
  EXPECT_EQ(library_file_name("local.lib"), dir.path() + "/local.lib");
  EXPECT_EQ(library_file_name("/abs/name.lib"), "/abs/name.lib");
  unsetenv("basis");
}

TEST(LibraryFile, FallsBackToTheShippedBasisDirectory) {
  unsetenv("basis");
  const std::filesystem::path shipped = std::filesystem::path(OSTREL_SOURCE_DIR) / "data" / "basis";
  std::string name;
  if (std::filesystem::is_directory(shipped))
    for (const auto& entry : std::filesystem::directory_iterator(shipped))
      if (entry.is_regular_file()) {
        name = entry.path().filename().string();
        break;
      }
  if (name.empty()) GTEST_SKIP() << "no shipped basis library in " << shipped;
  ScratchDirectory dir;
  std::string found = library_file_name(name);
  EXPECT_NE(found, name);
  EXPECT_TRUE(std::filesystem::equivalent(found, shipped / name)) << found;
}

TEST(LibraryFile, FallsBackToTheBasisDirectoryBesideTheExecutable) {
  unsetenv("basis");
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  const std::filesystem::path dir = exe.parent_path() / ".." / "share" / "ostrel" / "basis";
  const std::string name = "ostrel-test-" + std::to_string(getpid()) + ".lib";
  std::filesystem::create_directories(dir);
  std::FILE* f = std::fopen((dir / name).c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  std::string found;
  {
    ScratchDirectory scratch;
    found = library_file_name(name);
  }
  std::filesystem::remove(dir / name);
  EXPECT_EQ(found, (dir / name).string());
}

}  // namespace
}  // namespace ostrel
